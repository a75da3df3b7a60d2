# Crashes in the middle of writes, broken databases at start-up, hostile text.
if(NOT WIN32)
vh_add_test(faults_settings_crash SOURCES ${CMAKE_CURRENT_LIST_DIR}/SettingsCrashTest.cpp
            LIBS vh_settings LABELS faults TIMEOUT 120)
endif()
if(NOT CMAKE_CROSSCOMPILING AND NOT WIN32)
    # The child process the database fault tests drive and kill.
    add_executable(faults_driver ${CMAKE_CURRENT_LIST_DIR}/FaultDriver.cpp)
    target_link_libraries(faults_driver PRIVATE vh_monitor vh_storage)
    target_include_directories(faults_driver PRIVATE "${PROJECT_SOURCE_DIR}/src" "${PROJECT_SOURCE_DIR}/tests")
    set_target_properties(faults_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")

    vh_add_test(faults_db_startup SOURCES ${CMAKE_CURRENT_LIST_DIR}/DbStartupFaultsTest.cpp
                LIBS vh_testsupport_db LABELS faults TIMEOUT 180
                ENV FAULTS_DRIVER=$<TARGET_FILE:faults_driver>)
    add_dependencies(faults_db_startup faults_driver)
endif()
if(NOT CMAKE_CROSSCOMPILING AND NOT WIN32)
    vh_add_test(faults_sampling_crash SOURCES ${CMAKE_CURRENT_LIST_DIR}/SamplingCrashTest.cpp
                LIBS vh_testsupport_db LABELS faults TIMEOUT 300
                ENV FAULTS_DRIVER=$<TARGET_FILE:faults_driver>)
    add_dependencies(faults_sampling_crash faults_driver)
endif()
if(NOT CMAKE_CROSSCOMPILING)
    vh_add_test(faults_hostile_samples SOURCES ${CMAKE_CURRENT_LIST_DIR}/HostileSamplesTest.cpp
                LIBS vh_monitor vh_testsupport_db LABELS faults TIMEOUT 120)
endif()
if(NOT WIN32) # POSIX resource limits
vh_add_test(faults_hostile_files SOURCES ${CMAKE_CURRENT_LIST_DIR}/HostileFilesTest.cpp
            LIBS vh_settings vh_monitor vh_update LABELS faults TIMEOUT 180)
endif()
# The real program with a broken database under Xvfb (displays :190 to :199 belong to the fault tests).
if(VH_WITH_QT AND NOT WIN32)
    add_test(NAME faults_broken_db_startup
             COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/broken_db_startup.sh" ":190" $<TARGET_FILE:varnholt>)
    set_tests_properties(faults_broken_db_startup PROPERTIES TIMEOUT 90 LABELS "faults")
endif()
# Each fuzz target for a few seconds over its seed corpus; skipped without clang and libFuzzer. The
# targets build in their own folder (build-fuzz by default) with clang.
find_program(VH_CLANGXX clang++)
if(VH_CLANGXX AND NOT WIN32 AND NOT CMAKE_CROSSCOMPILING)
    add_test(NAME faults_fuzz_smoke COMMAND bash "${PROJECT_SOURCE_DIR}/scripts/fuzz" 3)
    set_tests_properties(faults_fuzz_smoke PROPERTIES TIMEOUT 900 LABELS "faults" SKIP_RETURN_CODE 77
        ENVIRONMENT "VH_FUZZ_BUILD=${CMAKE_BINARY_DIR}/fuzz")
endif()
