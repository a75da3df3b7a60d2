# Private Wayland desktops (Linux only): a headless sway and a headless KWin, and their clients.
if(NOT WIN32)
    add_library(vh_testsupport_sway STATIC ${CMAKE_CURRENT_LIST_DIR}/SwayFixture.cpp
                                           ${CMAKE_CURRENT_LIST_DIR}/KWinFixture.cpp)
    target_link_libraries(vh_testsupport_sway PUBLIC vh_testsupport_x11)
endif()
