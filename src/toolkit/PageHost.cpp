#include "toolkit/PageHost.h"

namespace vh {

QString PageName(Page page) {
    switch (page) {
    case Page::About:
        return QStringLiteral("RTSAbout");
    case Page::Guide:
        return QStringLiteral("RTSGuide");
    case Page::MonitorSetting:
        return QStringLiteral("RTSTabMonitorCaption");
    case Page::Main:
        return QStringLiteral("RTSTSMain");
    case Page::Statistic:
        return QStringLiteral("RTSTSStatistic");
    case Page::SystemSetting:
        return QStringLiteral("RTSTSSysSetting");
    case Page::Password:
        return QStringLiteral("RTSTabSheet3");
    case Page::Donation:
        return QStringLiteral("RTSTabSheet4");
    case Page::WorkSet:
        return QStringLiteral("RTSWorkSet");
    case Page::ProgramManage:
        return QStringLiteral("RTSTabSheet6");
    }
    return {};
}

QString TimerName(Timer timer) {
    switch (timer) {
    case Timer::TimeRange:
        return QStringLiteral("tmrTimeRange");
    case Timer::Save:
        return QStringLiteral("tmrSave");
    case Timer::Update:
        return QStringLiteral("tmrUpdate");
    case Timer::Tips:
        return QStringLiteral("tmrTips");
    }
    return {};
}

} // namespace vh
