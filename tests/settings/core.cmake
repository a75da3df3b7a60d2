# Built on POSIX only: the fixtures (CoreTestFiles.h) use fork, mkdtemp and file modes.
if(NOT WIN32)
find_package(OpenSSL REQUIRED)
vh_add_test(settings_accessor_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/SettingsAccessorTest.cpp LIBS vh_settings
            LABELS unit TIMEOUT 60)
# OpenSSL only cross-checks our digest.
vh_add_test(md5_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/Md5Test.cpp LIBS vh_settings OpenSSL::Crypto LABELS unit
            TIMEOUT 60)
vh_add_test(passwords_test
            SOURCES ${CMAKE_CURRENT_LIST_DIR}/PasswordsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/DeliveredFilesTest.cpp
            LIBS vh_settings LABELS unit TIMEOUT 60)
if(VH_WITH_QT)
    vh_add_test(password_page_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/PasswordPageTest.cpp
                LIBS vh_settings_gui vh_testsupport_qt LABELS gui TIMEOUT 60 ENV QT_QPA_PLATFORM=offscreen)
endif()
endif()
