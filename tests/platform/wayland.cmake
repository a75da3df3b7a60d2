# The Wayland backends: sway under a private headless sway with real clients; the JSON reader, the choice of
# backend and the KWin script (under node, with a fake workspace) on their own.
if(NOT WIN32)
    vh_add_test(platform_wayland_unit_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/JsonTest.cpp ${CMAKE_CURRENT_LIST_DIR}/WaylandSessionTest.cpp
        LIBS vh_platform
        LABELS unit
        TIMEOUT 60)
    target_compile_definitions(platform_wayland_unit_test PRIVATE
        VH_GNOME_EXTENSION_45_DIR="${VH_GNOME_EXTENSION_45_DIR}")
    if(VH_WITH_QT)
        vh_add_test(platform_wayland_sway_test
            SOURCES ${CMAKE_CURRENT_LIST_DIR}/WindowSystemSwayTest.cpp
            LIBS vh_app_gui vh_testsupport_sway Qt6::Widgets
            LABELS wayland gui
            TIMEOUT 90)
    endif()
endif()

# The KWin backend against a real headless KWin.
if(NOT WIN32)
    vh_add_test(platform_wayland_kwin_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/WindowSystemKWinTest.cpp
        LIBS vh_monitor vh_testsupport_sway
        LABELS wayland
        TIMEOUT 90)
endif()

# The GNOME backend and our Shell extension against a real headless GNOME Shell 43.
if(NOT WIN32 AND VH_WITH_QT)
    vh_add_test(platform_wayland_gnome_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/WindowSystemGnomeTest.cpp
        LIBS vh_app_gui vh_testsupport_sway Qt6::Widgets
        LABELS wayland gui
        TIMEOUT 120)
endif()
