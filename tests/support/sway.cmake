# A private headless sway (Linux only): the compositor and its Wayland clients.
if(NOT WIN32)
    add_library(vh_testsupport_sway STATIC ${CMAKE_CURRENT_LIST_DIR}/SwayFixture.cpp)
    target_link_libraries(vh_testsupport_sway PUBLIC vh_testsupport_x11)
endif()
