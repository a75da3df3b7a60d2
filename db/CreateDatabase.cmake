# cmake -DISQL=<isql-fb> -DSCHEMA=<schema.sql>[;<more.sql>...] -DOUT=<file> [-DIF_MISSING=ON] -P CreateDatabase.cmake
# Builds a database file from the schema script with isql-fb and the embedded engine (no server: a
# CREATE DATABASE with a plain path opens the file inside isql-fb). Built under a temporary name and
# renamed, so a failed run never leaves a half-made file behind.
if(IF_MISSING AND EXISTS "${OUT}")
    return()
endif()
get_filename_component(dir "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
set(tmp "${OUT}.part")
file(REMOVE "${tmp}" "${tmp}.sql")
set(schema "")
foreach(part IN LISTS SCHEMA)
    file(READ "${part}" text)
    string(APPEND schema "${text}\n")
endforeach()
file(WRITE "${tmp}.sql"
     "SET SQL DIALECT 1;\nCREATE DATABASE '${tmp}' USER 'ADMIN' PASSWORD 'k4rv9tbe' PAGE_SIZE 8192;\n${schema}\n")
if(NOT DEFINED ENV{FIREBIRD_LOCK})
    # The default lock folder (/tmp/firebird) may belong to another user, and one shared with a killed
    # process can block the engine: a fresh folder per run.
    string(RANDOM LENGTH 8 tag)
    set(lockdir "${dir}/.fblock-${tag}")
    set(ENV{FIREBIRD_LOCK} "${lockdir}")
endif()
execute_process(COMMAND "${ISQL}" -q -b -i "${tmp}.sql" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(REMOVE "${tmp}.sql")
if(lockdir)
    file(REMOVE_RECURSE "${lockdir}")
endif()
if(NOT rc EQUAL 0)
    file(REMOVE "${tmp}")
    message(FATAL_ERROR "isql-fb failed (${rc}) building ${OUT}:\n${out}${err}")
endif()
file(RENAME "${tmp}" "${OUT}")
