# POSIX fixtures (fork, file modes): the Windows builds check the same rules in windows.cmake.
if(NOT WIN32)
vh_add_test(profile_string_test
            SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProfileStringContract.cpp ${CMAKE_CURRENT_LIST_DIR}/ProfileStringTest.cpp
            LIBS vh_platform
            LABELS unit TIMEOUT 60)
endif()
