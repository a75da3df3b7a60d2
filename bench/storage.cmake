# Benchmarks of the database operations against the raw Firebird API on the same files.
add_executable(bench_storage storage/StorageBench.cpp)
target_link_libraries(bench_storage PRIVATE vh_storage benchmark::benchmark)
target_include_directories(bench_storage PRIVATE "${PROJECT_SOURCE_DIR}/src")
target_compile_definitions(bench_storage PRIVATE VH_TEMPLATE_DB="${VH_TEMPLATE_DB}"
                                                 VH_BENCH_DIR="${CMAKE_BINARY_DIR}/bench")
set_target_properties(bench_storage PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
add_dependencies(bench_storage vh_template_db)
