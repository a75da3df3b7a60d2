# Private Wayland desktops (Linux only): a headless sway, a headless KWin and a headless GNOME Shell, and their
# clients.
if(NOT WIN32)
    add_library(vh_testsupport_sway STATIC ${CMAKE_CURRENT_LIST_DIR}/SwayFixture.cpp
                                           ${CMAKE_CURRENT_LIST_DIR}/KWinFixture.cpp
                                           ${CMAKE_CURRENT_LIST_DIR}/GnomeFixture.cpp)
    target_link_libraries(vh_testsupport_sway PUBLIC vh_testsupport_x11)
    # The GNOME Shell: the program's extension as the build assembles it, and the tests' helper extension.
    target_compile_definitions(vh_testsupport_sway PRIVATE
        VH_GNOME_EXTENSION_DIR="${VH_GNOME_EXTENSION_DIR}"
        VH_GNOME_TEST_EXTENSION_DIR="${CMAKE_CURRENT_LIST_DIR}/gnome/varnholt-test@varnholt.org")
endif()
