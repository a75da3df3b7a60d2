# The database module, the operations and the Firebird layer under them. The client library is loaded at
# run time, so only the headers are needed here.
target_sources(vh_storage PRIVATE FbApi.cpp uDBMoudle.cpp uDBFunc.cpp SchemaScript.cpp TallyPlan.cpp Backup.cpp)

# The kept counts' part of the schema, built into the program as text: a database made before them gets
# them when it is first opened.
set(VH_TALLIES_SQL "${PROJECT_SOURCE_DIR}/db/tallies.sql")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${VH_TALLIES_SQL}")
file(READ "${VH_TALLIES_SQL}" VH_TALLIES_TEXT)
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/generated/storage/TalliesScript.h"
     CONTENT "#pragma once\nnamespace vh::storage {\ninline constexpr const char* kTalliesScript = R\"VHSQL(@VH_TALLIES_TEXT@)VHSQL\";\n}\n"
     @ONLY)
target_include_directories(vh_storage PRIVATE "${CMAKE_CURRENT_BINARY_DIR}/generated")
if(WIN32)
    target_sources(vh_storage PRIVATE windows/FbLoaderWindows.cpp)
    if(CMAKE_CROSSCOMPILING)
        # The cross compiler must not see the build machine's /usr/include; copy the Firebird headers only.
        set(_vh_fbinc "${CMAKE_BINARY_DIR}/firebird-include")
        file(GLOB _vh_fbheaders /usr/include/firebird/*.h)
        file(COPY ${_vh_fbheaders} DESTINATION "${_vh_fbinc}/firebird")
        file(COPY /usr/include/ibase.h /usr/include/iberror.h DESTINATION "${_vh_fbinc}")
        target_include_directories(vh_storage SYSTEM PRIVATE "${_vh_fbinc}")
    endif()
else()
    target_sources(vh_storage PRIVATE linux/FbLoaderLinux.cpp)
    target_link_libraries(vh_storage PUBLIC ${CMAKE_DL_LIBS})
endif()
