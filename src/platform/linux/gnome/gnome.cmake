# The GNOME Shell extension through which the program sees the window in front on GNOME Wayland. One logic
# file goes into two variants, each a folder named by the uuid with its metadata.json and extension.js:
# build/share/gnome-shell/extensions/<uuid> for GNOME Shell 43 and 44 (the one installed, Debian 12), and
# build/share/gnome-shell/extensions-45/<uuid> for 45 and later. The program checks the version it answers.
set(VH_GNOME_EXTENSION_UUID "varnholt@varnholt.org")
set(VH_GNOME_EXTENSION_VERSION 1)
set(VH_GNOME_EXTENSION_DIR "${PROJECT_BINARY_DIR}/share/gnome-shell/extensions/${VH_GNOME_EXTENSION_UUID}"
    CACHE INTERNAL "The GNOME Shell 43/44 extension")
set(VH_GNOME_EXTENSION_45_DIR "${PROJECT_BINARY_DIR}/share/gnome-shell/extensions-45/${VH_GNOME_EXTENSION_UUID}"
    CACHE INTERNAL "The GNOME Shell 45+ extension")

set(_vh_gnome "${CMAKE_CURRENT_LIST_DIR}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_vh_gnome}/shell-service.js"
             "${_vh_gnome}/extension-43.js" "${_vh_gnome}/extension-45.js" "${_vh_gnome}/metadata.json.in")
file(READ "${_vh_gnome}/shell-service.js" _vh_service)
string(CONFIGURE "${_vh_service}" VARNHOLT_SHELL_SERVICE @ONLY)

# vh_gnome_extension(<wrapper> <folder> <shell versions>)
function(vh_gnome_extension wrapper folder)
    list(JOIN ARGN "\", \"" versions)
    set(VH_GNOME_SHELL_VERSIONS "\"${versions}\"")
    configure_file("${_vh_gnome}/metadata.json.in" "${folder}/metadata.json" @ONLY)
    file(READ "${_vh_gnome}/${wrapper}" text)
    string(REPLACE "@VARNHOLT_SHELL_SERVICE@" "${VARNHOLT_SHELL_SERVICE}" text "${text}")
    file(CONFIGURE OUTPUT "${folder}/extension.js" CONTENT "${text}" @ONLY)
endfunction()
vh_gnome_extension(extension-43.js "${VH_GNOME_EXTENSION_DIR}" 43 44)
vh_gnome_extension(extension-45.js "${VH_GNOME_EXTENSION_45_DIR}" 45 46 47 48 49)

# The program's side: the uuid and the version it needs.
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/generated/platform/linux/gnome/GnomeExtension.h"
     CONTENT "#pragma once\nnamespace vh::platform::gnome {\ninline constexpr const char* kUuid = \"@VH_GNOME_EXTENSION_UUID@\";\ninline constexpr unsigned kVersion = @VH_GNOME_EXTENSION_VERSION@;\n}\n"
     @ONLY)

# A system-wide install for every user of the machine; each enables it once (gnome-extensions enable).
include(GNUInstallDirs)
install(FILES "${VH_GNOME_EXTENSION_DIR}/metadata.json" "${VH_GNOME_EXTENSION_DIR}/extension.js"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions/${VH_GNOME_EXTENSION_UUID}")
