# The application shell.
vh_add_test(test_notice_text SOURCES NoticeTextTest.cpp LIBS vh_app LABELS unit TIMEOUT 30)
if(NOT WIN32)
    # Faults made with Linux means (a file-size limit, /proc): a Linux test only.
    vh_add_test(test_startup SOURCES StartupTest.cpp LIBS vh_app LABELS unit TIMEOUT 30)
endif()
if(VH_WITH_QT)
    vh_add_test(test_shell_gui
        SOURCES NoticeDialogTest.cpp MainWindowTest.cpp
        LIBS vh_app_gui vh_testsupport_qt
        LABELS gui
        TIMEOUT 120
        ENV QT_QPA_PLATFORM=offscreen)
endif()
# The real program under Xvfb (displays :121 to :123 and :127 to :129 belong to these tests).
if(VH_WITH_QT AND NOT WIN32)
    foreach(t IN ITEMS single_instance:121:90 e2e_tray:122:150 e2e_sni_tray:123:90 session_end:127:180
                   wayland_notice:128:120 away:129:240)
        string(REPLACE ":" ";" parts "${t}")
        list(GET parts 0 script)
        list(GET parts 1 disp)
        list(GET parts 2 secs)
        add_test(NAME test_${script}
                 COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/${script}.sh" ":${disp}" $<TARGET_FILE:varnholt>
                         "${VH_TEMPLATE_DB}")
        set_tests_properties(test_${script} PROPERTIES TIMEOUT ${secs} LABELS "x11"
            ENVIRONMENT "VH_ARTIFACTS=${CMAKE_BINARY_DIR}/artifacts;QT_QPA_PLATFORM=xcb")
    endforeach()
endif()
