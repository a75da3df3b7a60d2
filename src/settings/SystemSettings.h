#pragma once
// The system-settings page's "应用" as plain logic: what it stores and what it tells the page to say.
#include <optional>
#include <string>

#include "platform/WindowSystem.h"

class TSettingsAccessor;

// What the page holds when "应用" is pressed. Texts are GBK.
struct TSystemSettingsInput {
    bool autoRun = false;
    bool autoMinimize = false;
    bool autoTask = false;
    bool startPasswd = false;
    bool restorePasswd = false;
    bool exitPasswd = false;
    bool autoUpdate = false;
    std::string tipIntervalText;
    // Minutes without input after which nothing is recorded; 0 is off.
    int awayMinutes = 0;
};

struct [[nodiscard]] TSystemSettingsOutcome {
    // The start-with-the-session entry could not be written ("注册表写入错误"); the rest was applied.
    bool autorunRefused = false;
    // The tip interval is no whole number: everything before it was stored, it and what follows not. The
    // text is the conversion error the application shows.
    std::optional<std::string> invalidTipInterval;
};

// Stores the switches (the start-with-the-session one together with its entry) and the away minutes (out of
// range: off), then the tip interval.
// What depends on them (the update and tips timers) follows through the accessor's change notice. Throws
// when the settings file refuses a write.
TSystemSettingsOutcome ApplySystemSettings(const TSettingsAccessor& settings, const TSystemSettingsInput& input);

// Why away detection cannot be switched on, for the settings page (GBK); empty when it can.
std::string AwayUnavailableText(vh::platform::PresenceGap gap);

// Stores the start-with-the-session switch and adds or removes the entry; false when the entry could not be
// written.
[[nodiscard]] bool SetAutoRun(const TSettingsAccessor& settings, bool on);
