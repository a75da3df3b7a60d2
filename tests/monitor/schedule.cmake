# The monitoring schedule: the period logic and the monitor-setting page.
vh_add_test(monitor_schedule_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ScheduleTest.cpp
    LIBS vh_monitor
    LABELS unit
    TIMEOUT 60)

if(VH_WITH_QT)
    vh_add_test(monitor_schedule_page_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/MonitorSettingPageTest.cpp
        LIBS vh_monitor_gui vh_testsupport_qt
        LABELS gui
        TIMEOUT 60
        ENV QT_QPA_PLATFORM=offscreen)
endif()

if(VH_WITH_QT AND NOT CMAKE_CROSSCOMPILING)
    vh_add_test(monitor_schedule_apply_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/MonitorSettingApplyTest.cpp
        LIBS vh_monitor_gui vh_testsupport_qt vh_testsupport_db
        LABELS firebird
        TIMEOUT 120
        ENV QT_QPA_PLATFORM=offscreen)
endif()
