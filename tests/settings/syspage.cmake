# The autostart entry and the system-settings page.
if(NOT WIN32)
    vh_add_test(autorun_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/AutorunTest.cpp LIBS vh_platform LABELS unit
                TIMEOUT 30)
endif()
if(VH_WITH_QT)
    vh_add_test(syspage_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/SystemSettingsPageTest.cpp
                LIBS vh_settings_gui vh_testsupport_qt LABELS gui TIMEOUT 60 ENV QT_QPA_PLATFORM=offscreen)
endif()
