# The real program started on private Wayland desktops without a tray (sway, GNOME Shell): each waits for the
# program's first sample, a minute after start, so they are two tests that run side by side.
if(VH_WITH_QT AND NOT WIN32)
    foreach(desktop IN ITEMS Sway Gnome)
        string(TOLOWER "${desktop}" name)
        vh_add_test(app_${name}_start_test
            SOURCES ${CMAKE_CURRENT_LIST_DIR}/${desktop}StartTest.cpp
            LIBS vh_testsupport_sway
            LABELS wayland gui
            TIMEOUT 180)
        target_compile_definitions(app_${name}_start_test PRIVATE VH_PROGRAM="$<TARGET_FILE:varnholt>"
                                   VH_TEMPLATE_DB="${VH_TEMPLATE_DB}")
        add_dependencies(app_${name}_start_test varnholt vh_template_db)
    endforeach()
endif()
