#include "settings/TimerSettings.h"

#include <string_view>

#include "settings/SettingsAccessor.h"
#include "toolkit/PageHost.h"
#include "toolkit/TTimer.h"

void FollowTimerSettings(TSettingsAccessor& settings, vh::PageHost& host) {
    namespace keys = vh::settings::keys;
    settings.OnChange([&settings, &host](std::string_view section, std::string_view key) {
        if (TSettingsAccessor::Names(keys::AutoUpdate, section, key)) {
            host.TimerOf(vh::Timer::Update).SetEnabled(settings.ReadFlag(keys::AutoUpdate));
        } else if (TSettingsAccessor::Names(keys::TipInterval, section, key)) {
            vh::TTimer& tips = host.TimerOf(vh::Timer::Tips);
            tips.Stop();
            tips.SetInterval(keys::TipInterval.IntervalMs(settings.ReadNumber(keys::TipInterval)));
            tips.Start();
        }
    });
}
