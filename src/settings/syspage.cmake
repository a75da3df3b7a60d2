# The system-settings page; it restarts the tips timer with the interval rule of the tips.
if(VH_WITH_QT)
    target_sources(vh_settings_gui PRIVATE SystemSettingsPage.cpp)
    target_link_libraries(vh_settings_gui PUBLIC vh_update)
endif()
