# cmake -DDEST_DIR=<folder> -DFILES="<file>;<file>..." -P CopyIfMissing.cmake
# Copies each file into DEST_DIR unless a file of that name is already there: the user's own settings and
# tips are never overwritten by a build.
if(NOT DEST_DIR OR NOT FILES)
    message(FATAL_ERROR "CopyIfMissing: DEST_DIR and FILES are required")
endif()
file(MAKE_DIRECTORY "${DEST_DIR}")
foreach(src IN LISTS FILES)
    get_filename_component(name "${src}" NAME)
    if(NOT EXISTS "${DEST_DIR}/${name}")
        file(COPY "${src}" DESTINATION "${DEST_DIR}")
    endif()
endforeach()
