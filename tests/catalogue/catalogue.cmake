# The catalogue pages and the add dialog against a real database.
if(VH_WITH_QT AND NOT CMAKE_CROSSCOMPILING)
    vh_add_test(catalogue_pages_test
        SOURCES CataloguePagesTest.cpp
        LIBS vh_app_gui vh_testsupport_qt vh_testsupport_db
        LABELS firebird gui
        TIMEOUT 120
        ENV QT_QPA_PLATFORM=offscreen)
endif()
