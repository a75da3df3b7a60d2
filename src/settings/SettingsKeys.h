#pragma once
// Every section and key of Config.ini, declared once: read and write them only through these descriptors.
// Names are matched without regard to case, but a few keys have always been written and read in different
// spellings (and unwork/InformStr live in "system", the others in "System"); each descriptor keeps both so
// that the file looks exactly as it always did.
#include <climits>
#include <string_view>

namespace vh::settings::keys {

struct FlagKey {
    std::string_view section;
    std::string_view name;
    bool def;
};

// A number's valid range is what the program puts into effect; a timer key also says what one unit is
// in milliseconds, and whether a value above the range still runs, at the top of it.
struct NumberKey {
    std::string_view section;
    std::string_view name;     // as written
    std::string_view readName; // as read
    int def;
    int min = INT_MIN;
    int max = INT_MAX;
    int unitMs = 0;
    bool capAtMax = false;

    constexpr bool InRange(long long value) const { return value >= min && value <= max; }
    // The timer interval of a value: 0 (a timer that never fires) outside the range, or capped at its top.
    constexpr int IntervalMs(int value) const {
        if (capAtMax && value > max)
            value = max;
        return InRange(value) ? value * unitMs : 0;
    }
};

// Keys whose default is computed at the read (the current time, the reminder text) have none here.
struct TextKey {
    std::string_view section;
    std::string_view name;     // as written
    std::string_view readName; // as read
    std::string_view def;
};

// Security
inline constexpr TextKey Passwd{"Security", "Passwd", "Passwd", ""};
inline constexpr FlagKey StartPasswd{"Security", "StartPasswd", true};
inline constexpr FlagKey RestorePasswd{"Security", "RestorePasswd", true};
inline constexpr FlagKey ExitPasswd{"Security", "ExitPasswd", true};

// System
inline constexpr FlagKey AutoRun{"System", "AutoRun", true};
inline constexpr FlagKey AutoMinimize{"System", "AutoMinimize", true};
inline constexpr FlagKey AutoTask{"System", "AutoTask", true};
// Opens the database so that the user's tools (isql-fb) may read it while the program runs; read at the start.
inline constexpr FlagKey SharedDatabase{"System", "SharedDatabase", false};
inline constexpr NumberKey Unwork{"system", "unwork", "unwork", 0};
// Minutes without keyboard or mouse input after which a tick stores nothing; 0 (or missing) is off.
inline constexpr NumberKey AwayMinutes{"System", "AwayMinutes", "AwayMinutes", 0, 0, 1440};
inline constexpr TextKey InformStr{"system", "InformStr", "InformStr", ""}; // default: the reminder text

// TimeConfig
inline constexpr NumberKey TaskExecutype{"TimeConfig", "Taskexecutype", "TaskExecutype", 1};
inline constexpr TextKey TimeFrom{"TimeConfig", "TimeFrom", "TimeFrom", ""}; // default: the current time
inline constexpr TextKey TimeEnd{"TimeConfig", "TimeEnd", "TimeEnd", ""};    // default: the current time
// Whole minutes whose milliseconds still fit a signed 32-bit timer interval.
inline constexpr NumberKey MonitorInterval{"TimeConfig", "MonitorInterval", "MonitorInterval", 1, 1, 35791, 60000};
inline constexpr TextKey DaySetting{"TimeConfig", "DaySetting", "Daysetting", ""};

// SystemSet (Version is also the key of the fetched Version.ini)
inline constexpr TextKey Version{"SystemSet", "Version", "Version", "1.0"};
inline constexpr TextKey UpdateServer{"SystemSet", "UpdateServer", "UpdateServer", ""};

// OtherSettings
inline constexpr FlagKey AutoUpdate{"OtherSettings", "AutoUpdate", true};
inline constexpr NumberKey TipInterval{"OtherSettings", "TipInterval", "TipInterval", 60, 1,
                                       INT_MAX / 1000,  1000,          true};

} // namespace vh::settings::keys
