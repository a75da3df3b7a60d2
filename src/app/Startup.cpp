#include "app/Startup.h"

#include <exception>

#include "monitor/Schedule.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"
#include "update/Tips.h"

namespace vh::app {

namespace {

namespace keys = vh::settings::keys;

// Step 6: whether to run the monitoring task now.
void OfferMonitoringTask(const StartupData& data, StartupScreen& screen) {
    switch (DecideStartupTask(data.settings, data.schedule)) {
    case TStartupTask::StartTimer:
        screen.StartScheduleTimer();
        break;
    case TStartupTask::Ask:
        if (screen.Ask(vh::text::Utf8ToGbk("信息"),
                       vh::text::Utf8ToGbk("根据设定，您已经设定了要进行时间监视任务，以便分析，现在运行此任务么？")))
            screen.StartScheduleTimer();
        else if (!screen.Terminated())
            DeclineStartupTask(data.settings, data.schedule);
        break;
    case TStartupTask::Nothing:
        break;
    }
}

void RunSteps(const StartupData& data, StartupScreen& screen) {
    data.tips.Reset();
    LoadSchedule(data.settings, data.schedule);
    const bool startPasswd = data.settings.ReadFlag(keys::StartPasswd);
    screen.CreateDialogs();
    if (startPasswd && !screen.AskStartPassword())
        screen.Terminate();
    // After an exit at the login the task question is not asked: a refusal would cancel the stored
    // schedule although the user never answered it.
    if (!screen.Terminated())
        OfferMonitoringTask(data, screen);
    screen.ShowMainPage();
    if (data.settings.ReadFlag(keys::AutoMinimize))
        screen.MinimizeWhenRunning();
    // A settings file that refuses the version (read-only) is reported, and the timers are still set from it.
    try {
        data.settings.WriteText(keys::Version, "1.2");
    } catch (const std::exception& e) {
        screen.ReportError(e.what());
    }
    // Step 10, the application folder, is known before start-up (platform/AppLocations).
    screen.EnableUpdateTimer(data.settings.ReadFlag(keys::AutoUpdate));
    data.tips.Load(data.tipsFile);
    screen.SetTipsInterval(keys::TipInterval.IntervalMs(data.settings.ReadNumber(keys::TipInterval)));
}

} // namespace

void RunStartup(const StartupData& data, StartupScreen& screen) {
    try {
        RunSteps(data, screen);
    } catch (const std::exception& e) {
        screen.ReportError(e.what());
    }
}

} // namespace vh::app
