# One hour of sampling (60 ticks) against the real database and trace file, on a private Xvfb with ~200
# processes running (Linux only).
if(NOT WIN32 AND NOT CMAKE_CROSSCOMPILING)
    add_executable(bench_sampling ${CMAKE_CURRENT_LIST_DIR}/sampling/SamplingCostBench.cpp)
    target_link_libraries(bench_sampling PRIVATE vh_monitor vh_storage vh_testsupport_db vh_testsupport_x11
                                                 benchmark::benchmark)
    set_target_properties(bench_sampling PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
endif()
