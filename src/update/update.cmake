# The update check, its download class and the success tips; the main window's update handlers.
# The built-in update server; Config.ini's SystemSet/UpdateServer overrides it at run time. The default
# answers when a web server runs on this machine's port 8000 (python3 -m http.server), and is refused
# at once otherwise, without any traffic leaving the machine.
set(VH_UPDATE_SERVER "http://127.0.0.1:8000" CACHE STRING
    "Built-in update server base address (http or https); serves /version.ini")
target_sources(vh_update PRIVATE Tips.cpp UpdateCheck.cpp UpdateServer.cpp UpdateWorker.cpp U_TDownFile.cpp)
set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/UpdateServer.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             "VH_UPDATE_SERVER=\"${VH_UPDATE_SERVER}\"")
if(WIN32)
    target_link_libraries(vh_update PRIVATE urlmon wininet ole32 uuid)
endif()
if(VH_WITH_QT)
    target_sources(vh_update_gui PRIVATE UpdateGui.cpp)
endif()
