# Where the program's files live; real folders and a second user (fork, file modes): POSIX only.
if(NOT WIN32)
vh_add_test(app_locations_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/AppLocationsTest.cpp LIBS vh_platform
            LABELS unit TIMEOUT 60)
endif()
