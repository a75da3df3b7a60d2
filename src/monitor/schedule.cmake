# The monitoring schedule: the period logic and the monitor-setting page.
target_sources(vh_monitor PRIVATE Schedule.cpp)
if(VH_WITH_QT)
    target_sources(vh_monitor_gui PRIVATE MonitorSettingPage.cpp)
endif()
