# The system-settings page (its apply is plain logic, SystemSettings.cpp) and the timers that follow settings.
if(VH_WITH_QT)
    target_sources(vh_settings_gui PRIVATE SystemSettingsPage.cpp TimerSettings.cpp)
endif()
