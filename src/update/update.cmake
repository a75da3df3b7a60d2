# The update check, its download class and the success tips; the main window's update handlers.
target_sources(vh_update PRIVATE Tips.cpp UpdateCheck.cpp UpdateServer.cpp U_TDownFile.cpp)
if(WIN32)
    target_link_libraries(vh_update PRIVATE urlmon wininet ole32 uuid)
endif()
if(VH_WITH_QT)
    target_sources(vh_update_gui PRIVATE UpdateGui.cpp)
endif()
