# Private Wayland desktops (Linux only): a headless sway, a headless KWin and a headless GNOME Shell, and their
# clients; a stand-in for logind on a private system bus.
if(NOT WIN32)
    find_package(Threads REQUIRED)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(VH_TEST_DBUS REQUIRED IMPORTED_TARGET dbus-1)
    add_library(vh_testsupport_sway STATIC ${CMAKE_CURRENT_LIST_DIR}/SwayFixture.cpp
                                           ${CMAKE_CURRENT_LIST_DIR}/KWinFixture.cpp
                                           ${CMAKE_CURRENT_LIST_DIR}/GnomeFixture.cpp
                                           ${CMAKE_CURRENT_LIST_DIR}/FakeLogind.cpp)
    target_link_libraries(vh_testsupport_sway PUBLIC vh_testsupport_x11 Threads::Threads PRIVATE PkgConfig::VH_TEST_DBUS)
    # The GNOME Shell: the program's extension as the build assembles it, and the tests' helper extension.
    target_compile_definitions(vh_testsupport_sway PRIVATE
        VH_GNOME_EXTENSION_DIR="${VH_GNOME_EXTENSION_DIR}"
        VH_GNOME_TEST_EXTENSION_DIR="${CMAKE_CURRENT_LIST_DIR}/gnome/varnholt-test@varnholt.org")
endif()
