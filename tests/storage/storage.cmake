# Tests of the database layer. The firebird ones run on real database files built from db/schema.sql.
vh_add_test(test_storage_sql SOURCES FbApiTest.cpp LIBS vh_storage LABELS unit TIMEOUT 30)
if(NOT CMAKE_CROSSCOMPILING)
    vh_add_test(test_storage_samples SOURCES SamplesTest.cpp LIBS vh_testsupport_db LABELS firebird TIMEOUT 120)
    vh_add_test(test_storage_catalogue SOURCES CatalogueTest.cpp LIBS vh_testsupport_db LABELS firebird TIMEOUT 120)
    vh_add_test(test_storage_opening SOURCES OpeningTest.cpp LIBS vh_testsupport_db LABELS firebird TIMEOUT 120)
    # Its own process: once loaded, the client library stays loaded.
    vh_add_test(test_storage_noclient SOURCES NoClientTest.cpp LIBS vh_testsupport_db LABELS firebird TIMEOUT 60)
endif()
if(NOT CMAKE_CROSSCOMPILING AND NOT WIN32)
    # The child process the backup tests kill, limit and run as another user.
    add_executable(storage_backup_driver BackupDriver.cpp)
    target_link_libraries(storage_backup_driver PRIVATE vh_storage)
    set_target_properties(storage_backup_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
    vh_add_test(test_storage_backup SOURCES BackupTest.cpp LIBS vh_testsupport_db LABELS firebird faults TIMEOUT 600
                ENV BACKUP_DRIVER=$<TARGET_FILE:storage_backup_driver>)
    add_dependencies(test_storage_backup storage_backup_driver)
endif()
if(NOT CMAKE_CROSSCOMPILING AND NOT WIN32)
    # Its own process: the engine's mode is chosen once per process.
    vh_add_test(test_storage_shared SOURCES SharedAccessTest.cpp LIBS vh_testsupport_db LABELS firebird TIMEOUT 120)
endif()
