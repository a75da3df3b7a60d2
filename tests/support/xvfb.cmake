# The private X server fixture and the test window program (Linux only).
if(NOT WIN32)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(VH_TEST_XCB REQUIRED IMPORTED_TARGET xcb)
    add_executable(vh_x11client ${CMAKE_CURRENT_LIST_DIR}/x11client/x11client.cpp)
    target_link_libraries(vh_x11client PRIVATE PkgConfig::VH_TEST_XCB)
    set_target_properties(vh_x11client PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")

    add_library(vh_testsupport_x11 STATIC ${CMAKE_CURRENT_LIST_DIR}/XvfbFixture.cpp)
    target_include_directories(vh_testsupport_x11 PUBLIC "${PROJECT_SOURCE_DIR}/src" "${PROJECT_SOURCE_DIR}/tests")
    target_link_libraries(vh_testsupport_x11 PUBLIC PkgConfig::VH_TEST_XCB)
    target_compile_definitions(vh_testsupport_x11 PRIVATE VH_X11CLIENT_PATH="$<TARGET_FILE:vh_x11client>")
    add_dependencies(vh_testsupport_x11 vh_x11client)
endif()
