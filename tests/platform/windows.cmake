# The Windows backend with real Win32 calls (under wine on the build machine).
if(WIN32)
    vh_add_test(platform_windows_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/WindowsSamplerTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/WindowsPresenceTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/ProfileStringContract.cpp
                ${CMAKE_CURRENT_LIST_DIR}/WindowsProfileStringTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/WindowsProcessTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/WindowsTransferTest.cpp
        LIBS vh_monitor vh_update vh_settings ws2_32
        LABELS windows
        TIMEOUT 180
        ENV LC_ALL=zh_CN.UTF-8)
endif()
