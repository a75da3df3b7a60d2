# The widget toolkit on the offscreen platform.
if(VH_WITH_QT)
    vh_add_test(test_toolkit
        SOURCES ToolkitTest.cpp
        LIBS vh_toolkit vh_settings vh_testsupport_qt
        LABELS gui
        TIMEOUT 60
        ENV QT_QPA_PLATFORM=offscreen)
endif()
