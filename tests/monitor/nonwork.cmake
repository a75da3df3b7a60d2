# Non-work handling: the decision and its texts (plain), the notice and reminder dialogs (Qt).
vh_add_test(nonwork_logic_test
    SOURCES NonWorkTest.cpp
    LIBS vh_monitor
    LABELS unit
    TIMEOUT 60)

if(VH_WITH_QT)
    vh_add_test(nonwork_dialogs_test
        SOURCES UnworkDialogsTest.cpp
        LIBS vh_app_gui vh_testsupport_qt
        LABELS gui
        TIMEOUT 60
        ENV QT_QPA_PLATFORM=offscreen)
endif()

if(VH_WITH_QT AND NOT WIN32)
    vh_add_test(nonwork_x11_test
        SOURCES UnworkX11Test.cpp
        LIBS vh_monitor_gui vh_testsupport_qt vh_testsupport_db vh_testsupport_x11
        LABELS x11 firebird
        TIMEOUT 120
        ENV QT_QPA_PLATFORM=offscreen)
endif()
