vh_add_test(analysis_shares_test SOURCES SharesTest.cpp LIBS vh_analysis LABELS unit TIMEOUT 60)

if(VH_WITH_QT AND NOT CMAKE_CROSSCOMPILING)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    vh_add_test(analysis_page_test SOURCES StatisticPageTest.cpp
        LIBS vh_analysis_gui vh_testsupport_db vh_testsupport_qt Qt6::Test
        LABELS firebird TIMEOUT 180 ENV QT_QPA_PLATFORM=offscreen)
endif()

if(VH_WITH_QT AND NOT CMAKE_CROSSCOMPILING)
    vh_add_test(analysis_page_shot SOURCES StatisticPageShot.cpp
        LIBS vh_analysis_gui vh_testsupport_db vh_testsupport_qt
        LABELS gui TIMEOUT 120 ENV QT_QPA_PLATFORM=offscreen)
endif()
