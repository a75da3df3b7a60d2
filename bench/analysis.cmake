# The statistics page over the year database of bench_storage, against the bare tally.
if(VH_WITH_QT)
    add_executable(bench_analysis analysis/AnalysisBench.cpp)
    target_link_libraries(bench_analysis PRIVATE vh_analysis_gui benchmark::benchmark)
    target_include_directories(bench_analysis PRIVATE "${PROJECT_SOURCE_DIR}/src" "${PROJECT_SOURCE_DIR}/tests")
    target_compile_definitions(bench_analysis PRIVATE VH_BENCH_DIR="${CMAKE_BINARY_DIR}/bench")
    set_target_properties(bench_analysis PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
endif()
