# The X11 window system on a private Xvfb, with and without openbox; the lock from a stand-in logind.
if(NOT WIN32)
    vh_add_test(platform_x11_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/WindowSystemX11Test.cpp
        LIBS vh_monitor vh_testsupport_x11 vh_testsupport_sway
        LABELS x11
        TIMEOUT 300)
endif()
