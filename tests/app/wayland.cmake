# The real program started on private Wayland desktops without a tray (sway and GNOME Shell side by side:
# the first sample comes a minute after the start).
if(VH_WITH_QT AND NOT WIN32)
    vh_add_test(app_wayland_start_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/WaylandStartTest.cpp
        LIBS vh_testsupport_sway
        LABELS wayland gui
        TIMEOUT 180)
    target_compile_definitions(app_wayland_start_test PRIVATE VH_PROGRAM="$<TARGET_FILE:varnholt>"
                               VH_TEMPLATE_DB="${VH_TEMPLATE_DB}")
    add_dependencies(app_wayland_start_test varnholt vh_template_db)
endif()
