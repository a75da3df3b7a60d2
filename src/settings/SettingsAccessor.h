#pragma once
// The settings accessor (the component each window calls rzIniInfo): reads and writes Config.ini at the
// moment of use, nothing cached. Texts are GBK.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsKeys.h"

class TSettingsAccessor {
public:
    enum TStorageKind { ptIniFile, ptRegistry };

    // Points the accessor at a file; takes effect at the next read or write.
    void SetSettingsPath(const std::string& path) { path_ = path; }
    const std::string& SettingsPath() const { return path_; }
    TStorageKind StorageKind() const { return ptIniFile; }

    // Told after every write through this accessor, with the section and key as written, so that what
    // depends on a setting (a timer's interval) follows it without the page that wrote it knowing.
    using ChangeListener = std::function<void(std::string_view section, std::string_view key)>;
    void OnChange(ChangeListener listener) { listeners_.push_back(std::move(listener)); }
    // Whether a change names the key (names match without regard to case, as in the file).
    template <class Key> static bool Names(const Key& key, std::string_view section, std::string_view name) {
        return SameName(key.section, section) && SameName(key.name, name);
    }

    bool ReadFlag(const std::string& section, const std::string& key, bool def) const;
    int ReadNumber(const std::string& section, const std::string& key, int def) const;
    std::string ReadText(const std::string& section, const std::string& key, const std::string& def) const;
    // Writes throw vh::platform::ProfileWriteError ("Unable to write to <path>") when refused.
    void WriteFlag(const std::string& section, const std::string& key, bool value) const;
    void WriteNumber(const std::string& section, const std::string& key, int value) const;
    void WriteText(const std::string& section, const std::string& key, const std::string& value) const;

    // The same through the key table (settings/SettingsKeys.h), with the key's default.
    bool ReadFlag(const vh::settings::keys::FlagKey& key) const;
    int ReadNumber(const vh::settings::keys::NumberKey& key) const;
    std::string ReadText(const vh::settings::keys::TextKey& key) const;
    std::string ReadText(const vh::settings::keys::TextKey& key, const std::string& def) const;
    void WriteFlag(const vh::settings::keys::FlagKey& key, bool value) const;
    void WriteNumber(const vh::settings::keys::NumberKey& key, int value) const;
    void WriteText(const vh::settings::keys::TextKey& key, const std::string& value) const;

private:
    static bool SameName(std::string_view a, std::string_view b);
    void Changed(const std::string& section, const std::string& key) const;

    std::string path_;
    std::vector<ChangeListener> listeners_;
};

inline constexpr char kConfigFileName[] = "Config.ini";

// Config.ini in the program's data folder (vh::platform::ThisProcessLocations, computed afresh: the first
// reads come before start-up has set the application folder).
std::string ConfigFilePath();
