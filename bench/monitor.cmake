# The sampler on a private X server (Linux only).
if(NOT WIN32)
    add_executable(bench_monitor ${CMAKE_CURRENT_LIST_DIR}/monitor/SamplerBench.cpp)
    target_link_libraries(bench_monitor PRIVATE vh_monitor vh_testsupport_x11 benchmark::benchmark)
    set_target_properties(bench_monitor PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
endif()
