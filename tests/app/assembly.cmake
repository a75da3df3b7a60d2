# The assembled program against a real database.
if(VH_WITH_QT)
    vh_add_test(test_assembly
        SOURCES AssemblyTest.cpp
        LIBS vh_app_gui vh_testsupport_qt vh_testsupport_db
        LABELS gui firebird
        TIMEOUT 120
        ENV QT_QPA_PLATFORM=offscreen)
endif()
