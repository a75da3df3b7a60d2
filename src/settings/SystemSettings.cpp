#include "settings/SystemSettings.h"

#include <exception>

#include "platform/AppPaths.h"
#include "platform/Autorun.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"

namespace keys = vh::settings::keys;

bool SetAutoRun(const TSettingsAccessor& settings, bool on) {
    settings.WriteFlag(keys::AutoRun, on);
    try {
        vh::platform::RemoveAutorunEntry();
        if (on)
            vh::platform::WriteAutorunEntry(vh::platform::ExecutablePath());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string AwayUnavailableText(vh::platform::PresenceGap gap) {
    using vh::platform::PresenceGap;
    switch (gap) {
    case PresenceGap::None:
        return {};
    case PresenceGap::NoIdleProtocol:
        return vh::text::Utf8ToGbk("本桌面的窗口管理器不提供空闲时间，无法检测是否离开。");
    case PresenceGap::NoIdleService:
        return vh::text::Utf8ToGbk("桌面的空闲检测服务没有运行，无法检测是否离开。");
    case PresenceGap::Unsupported:
        break;
    }
    return vh::text::Utf8ToGbk("本桌面不提供空闲时间，无法检测是否离开。");
}

TSystemSettingsOutcome ApplySystemSettings(const TSettingsAccessor& settings, const TSystemSettingsInput& in) {
    TSystemSettingsOutcome outcome;
    outcome.autorunRefused = !SetAutoRun(settings, in.autoRun);
    settings.WriteFlag(keys::AutoMinimize, in.autoMinimize);
    settings.WriteFlag(keys::AutoTask, in.autoTask);
    settings.WriteFlag(keys::StartPasswd, in.startPasswd);
    settings.WriteFlag(keys::RestorePasswd, in.restorePasswd);
    settings.WriteFlag(keys::ExitPasswd, in.exitPasswd);
    settings.WriteFlag(keys::AutoUpdate, in.autoUpdate);
    settings.WriteNumber(keys::AwayMinutes, keys::AwayMinutes.InRange(in.awayMinutes) ? in.awayMinutes : 0);

    const std::string text = vh::text::Trim(in.tipIntervalText);
    int seconds = 0;
    if (!vh::text::ParseInt32(text, seconds)) {
        outcome.invalidTipInterval = "'" + text + "' is not a valid integer value";
        return outcome;
    }
    settings.WriteNumber(keys::TipInterval, seconds);
    return outcome;
}
