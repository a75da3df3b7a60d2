# Non-work program handling: the decision (plain), the notice, the reminder-text dialog and the glue (Qt).
target_sources(vh_monitor PRIVATE NonWork.cpp)
if(VH_WITH_QT)
    target_sources(vh_monitor_gui PRIVATE
        UnworkHandler.cpp
        uDealUnwork.cpp
        uInformSet.cpp
    )
endif()
