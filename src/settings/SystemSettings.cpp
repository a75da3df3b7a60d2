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

TSystemSettingsOutcome ApplySystemSettings(const TSettingsAccessor& settings, const TSystemSettingsInput& in) {
    TSystemSettingsOutcome outcome;
    outcome.autorunRefused = !SetAutoRun(settings, in.autoRun);
    settings.WriteFlag(keys::AutoMinimize, in.autoMinimize);
    settings.WriteFlag(keys::AutoTask, in.autoTask);
    settings.WriteFlag(keys::StartPasswd, in.startPasswd);
    settings.WriteFlag(keys::RestorePasswd, in.restorePasswd);
    settings.WriteFlag(keys::ExitPasswd, in.exitPasswd);
    settings.WriteFlag(keys::AutoUpdate, in.autoUpdate);

    const std::string text = vh::text::Trim(in.tipIntervalText);
    int seconds = 0;
    if (!vh::text::ParseInt32(text, seconds)) {
        outcome.invalidTipInterval = "'" + text + "' is not a valid integer value";
        return outcome;
    }
    settings.WriteNumber(keys::TipInterval, seconds);
    return outcome;
}
