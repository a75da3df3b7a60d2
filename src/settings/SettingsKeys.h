#pragma once
// Every section and key of Config.ini, declared once: read and write them only through these descriptors.
// Names are matched without regard to case, but a few keys have always been written and read in different
// spellings (and unwork/InformStr live in "system", the others in "System"); each descriptor keeps both so
// that the file looks exactly as it always did.
#include <string_view>

namespace vh::settings::keys {

struct FlagKey {
    std::string_view section;
    std::string_view name;
    bool def;
};

struct NumberKey {
    std::string_view section;
    std::string_view name;     // as written
    std::string_view readName; // as read
    int def;
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
inline constexpr TextKey InformStr{"system", "InformStr", "InformStr", ""}; // default: the reminder text

// TimeConfig
inline constexpr NumberKey TaskExecutype{"TimeConfig", "Taskexecutype", "TaskExecutype", 1};
inline constexpr TextKey TimeFrom{"TimeConfig", "TimeFrom", "TimeFrom", ""}; // default: the current time
inline constexpr TextKey TimeEnd{"TimeConfig", "TimeEnd", "TimeEnd", ""};    // default: the current time
inline constexpr NumberKey MonitorInterval{"TimeConfig", "MonitorInterval", "MonitorInterval", 1};
inline constexpr TextKey DaySetting{"TimeConfig", "DaySetting", "Daysetting", ""};

// SystemSet (Version is also the key of the fetched Version.ini)
inline constexpr TextKey Version{"SystemSet", "Version", "Version", "1.0"};
inline constexpr TextKey UpdateServer{"SystemSet", "UpdateServer", "UpdateServer", ""};

// OtherSettings
inline constexpr FlagKey AutoUpdate{"OtherSettings", "AutoUpdate", true};
inline constexpr NumberKey TipInterval{"OtherSettings", "TipInterval", "TipInterval", 60};

} // namespace vh::settings::keys
