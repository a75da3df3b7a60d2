#include "settings/SettingsAccessor.h"

#include "platform/AppLocations.h"
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
    WriteText(section, key, value ? "1" : "0");
}

void TSettingsAccessor::WriteNumber(const std::string& section, const std::string& key, int value) const {
    WriteText(section, key, std::to_string(value));
}

void TSettingsAccessor::WriteText(const std::string& section, const std::string& key, const std::string& value) const {
    vh::platform::WriteProfileString(path_, section, key, value);
    Changed(section, key);
}

bool TSettingsAccessor::SameName(std::string_view a, std::string_view b) {
    return vh::text::EqualsIgnoreAsciiCase(a, b);
}

void TSettingsAccessor::Changed(const std::string& section, const std::string& key) const {
    for (const ChangeListener& listener : listeners_)
        listener(section, key);
}

namespace keys = vh::settings::keys;

bool TSettingsAccessor::ReadFlag(const keys::FlagKey& key) const {
    return ReadFlag(std::string(key.section), std::string(key.name), key.def);
}

int TSettingsAccessor::ReadNumber(const keys::NumberKey& key) const {
    return ReadNumber(std::string(key.section), std::string(key.readName), key.def);
}

std::string TSettingsAccessor::ReadText(const keys::TextKey& key) const {
    return ReadText(key, std::string(key.def));
}

std::string TSettingsAccessor::ReadText(const keys::TextKey& key, const std::string& def) const {
    return ReadText(std::string(key.section), std::string(key.readName), def);
}

void TSettingsAccessor::WriteFlag(const keys::FlagKey& key, bool value) const {
    WriteFlag(std::string(key.section), std::string(key.name), value);
}

void TSettingsAccessor::WriteNumber(const keys::NumberKey& key, int value) const {
    WriteNumber(std::string(key.section), std::string(key.name), value);
}

void TSettingsAccessor::WriteText(const keys::TextKey& key, const std::string& value) const {
    WriteText(std::string(key.section), std::string(key.name), value);
}

std::string ConfigFilePath() {
    return vh::platform::ThisProcessLocations().File(kConfigFileName);
}
