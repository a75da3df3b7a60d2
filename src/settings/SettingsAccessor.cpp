#include "settings/SettingsAccessor.h"

#include "platform/AppPaths.h"
#include "platform/ProfileString.h"
#include "platform/Text.h"

bool TSettingsAccessor::ReadFlag(const std::string& section, const std::string& key, bool def) const {
    return ReadNumber(section, key, def ? 1 : 0) != 0;
}

int TSettingsAccessor::ReadNumber(const std::string& section, const std::string& key, int def) const {
    int value = 0;
    if (vh::text::ParseInt32(vh::platform::ReadProfileString(path_, section, key, ""), value))
        return value;
    return def;
}

std::string TSettingsAccessor::ReadText(const std::string& section, const std::string& key,
                                        const std::string& def) const {
    return vh::platform::ReadProfileString(path_, section, key, def);
}

void TSettingsAccessor::WriteFlag(const std::string& section, const std::string& key, bool value) const {
    vh::platform::WriteProfileString(path_, section, key, value ? "1" : "0");
}

void TSettingsAccessor::WriteNumber(const std::string& section, const std::string& key, int value) const {
    vh::platform::WriteProfileString(path_, section, key, std::to_string(value));
}

void TSettingsAccessor::WriteText(const std::string& section, const std::string& key, const std::string& value) const {
    vh::platform::WriteProfileString(path_, section, key, value);
}

std::string ConfigFilePath() {
    return vh::platform::ExecutableDir() + "Config.ini";
}
