# The identity-checked kill against real processes whose ids are handed on (Linux: pidfd).
if(NOT WIN32)
vh_add_test(platform_process_kill_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProcessKillTest.cpp LIBS vh_platform
            LABELS unit TIMEOUT 60)
endif()
