# Tests of the tips, the download class and the update check (real loopback server), and the
# main window's update handlers.
if(NOT WIN32) # POSIX temporary folders
vh_add_test(tips_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/TipsTest.cpp LIBS vh_update LABELS unit TIMEOUT 30)
endif()
if(NOT WIN32)
    vh_add_test(transfer_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/TransferTest.cpp
                LIBS vh_update vh_testsupport_http LABELS unit TIMEOUT 60)
    vh_add_test(update_check_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/UpdateCheckTest.cpp
                LIBS vh_update vh_testsupport_http LABELS unit TIMEOUT 90)
endif()
if(VH_WITH_QT)
    vh_add_test(update_gui_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/UpdateGuiTest.cpp
                LIBS vh_update_gui vh_testsupport_qt vh_testsupport_http LABELS gui TIMEOUT 60
                ENV QT_QPA_PLATFORM=offscreen)
endif()
