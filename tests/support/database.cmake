# Real database fixtures: a temporary application folder with ABC.GDB copied from the template that
# db/ builds from schema.sql.
if(NOT CMAKE_CROSSCOMPILING)
    add_library(vh_testsupport_db STATIC TestDatabase.cpp)
    target_include_directories(vh_testsupport_db PUBLIC "${PROJECT_SOURCE_DIR}/src" "${PROJECT_SOURCE_DIR}/tests")
    target_link_libraries(vh_testsupport_db PUBLIC vh_storage)
    target_compile_definitions(vh_testsupport_db PRIVATE VH_TEMPLATE_DB="${VH_TEMPLATE_DB}")
    add_dependencies(vh_testsupport_db vh_template_db)
endif()
