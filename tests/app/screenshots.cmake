# Pictures of every page and dialog under a real X server (displays :275 to :279 belong to this test).
if(VH_WITH_QT AND NOT WIN32 AND TARGET vh_testsupport_x11)
    vh_add_test(test_screenshots SOURCES ScreenshotsTest.cpp
        LIBS vh_app_gui vh_testsupport_db vh_testsupport_x11
        LABELS x11 gui firebird TIMEOUT 180)
endif()
