# The login dialog on the offscreen platform, against a real Config.ini.
if(VH_WITH_QT)
    vh_add_test(test_login_dialog
        SOURCES LoginDialogTest.cpp
        LIBS vh_settings_gui vh_testsupport_qt
        LABELS gui
        TIMEOUT 60
        ENV QT_QPA_PLATFORM=offscreen)
endif()
