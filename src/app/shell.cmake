# The application shell: the notice text rule (plain), the main window, the notice dialog, the static
# pages, and the executable.
target_sources(vh_app PRIVATE NoticeText.cpp Startup.cpp)
if(VH_WITH_QT)
    target_sources(vh_app_gui PRIVATE Unit1.cpp uInfoFrm.cpp StaticPages.cpp Assembly.cpp DailyBackup.cpp)
    add_executable(varnholt main.cpp)
    target_link_libraries(varnholt PRIVATE vh_app_gui)
    set_target_properties(varnholt PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${VH_APP_DIR}")
    install(TARGETS varnholt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
