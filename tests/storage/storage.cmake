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
    # Its own process: the engine's mode is chosen once per process.
    vh_add_test(test_storage_shared SOURCES SharedAccessTest.cpp LIBS vh_testsupport_db LABELS firebird TIMEOUT 120)
endif()
