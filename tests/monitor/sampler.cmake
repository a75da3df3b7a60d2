# The foreground sampler over the scripted window system.
vh_add_test(monitor_sampler_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SamplerTest.cpp
    LIBS vh_monitor
    LABELS unit
    TIMEOUT 60)

# Our own borderless dialogs on a real X server: never the sample, still taking input.
if(VH_WITH_QT AND NOT WIN32)
    vh_add_test(monitor_sampler_notice_x11_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/NoticeWindowSamplingTest.cpp
        LIBS vh_app_gui vh_testsupport_x11 Qt6::Widgets
        LABELS x11 gui
        TIMEOUT 180
        ENV QT_QPA_PLATFORM=xcb)
endif()

# The default store into a real database.
if(NOT CMAKE_CROSSCOMPILING)
    vh_add_test(monitor_sampler_db_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/SamplerDatabaseTest.cpp
        LIBS vh_monitor vh_testsupport_db
        LABELS firebird
        TIMEOUT 120)
endif()
