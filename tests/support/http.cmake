# The loopback HTTP server of the update tests (POSIX sockets).
if(NOT WIN32)
    find_package(Threads REQUIRED)
    add_library(vh_testsupport_http STATIC ${CMAKE_CURRENT_LIST_DIR}/HttpServer.cpp)
    target_include_directories(vh_testsupport_http PUBLIC "${PROJECT_SOURCE_DIR}/tests")
    target_link_libraries(vh_testsupport_http PUBLIC Threads::Threads)
endif()
