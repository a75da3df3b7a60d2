# The analysis arithmetic (plain) and the statistics page (Qt).
target_sources(vh_analysis PRIVATE Shares.cpp CsvExport.cpp RangeAnalysis.cpp WorkShare.cpp)
if(VH_WITH_QT)
    target_sources(vh_analysis_gui PRIVATE StatisticPage.cpp)
    target_link_libraries(vh_analysis_gui PUBLIC Qt6::Charts)
endif()
