// The settings reader and writer on an arbitrary Config.ini. The first line of the input names a key to
// look up (section and key separated by '='); the rest is the file.
#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "platform/ProfileString.h"

using vh::platform::ReadProfileString;
using vh::platform::WriteProfileString;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto nl = input.find('\n');
    const std::string head = nl == std::string::npos ? std::string() : input.substr(0, std::min<size_t>(nl, 64));
    const auto eq = head.find('=');
    const std::string section = eq == std::string::npos ? "System" : head.substr(0, eq);
    const std::string key = eq == std::string::npos ? head : head.substr(eq + 1);
    const std::string body = nl == std::string::npos ? input : input.substr(nl + 1);
    const std::string path =
        vh::fuzz::WriteScratch("Config.ini", reinterpret_cast<const uint8_t*>(body.data()), body.size());

    for (const char* k : {"Passwd", "StartPasswd", "AutoRun", "unwork", "InformStr", "TimeFrom"}) {
        if (ReadProfileString(path, "Security", k, "d").size() > 2047)
            __builtin_trap();
        if (ReadProfileString(path, "system", k, "d").size() > 2047)
            __builtin_trap();
    }
    if (ReadProfileString(path, section, key, "<none>").size() > 2047)
        __builtin_trap();

    // A write is read back as written (names free of the characters the format reserves).
    // The program's section and key names are plain ASCII words.
    const auto plain = [](const std::string& n) {
        if (n.empty() || n.front() == ' ' || n.back() == ' ')
            return false;
        for (unsigned char c : n)
            if (c < 0x20 || c > 0x7e || c == '[' || c == ']' || c == '=' || c == ';')
                return false;
        return true;
    };
    const bool plainNames = plain(section) && plain(key);
    try {
        WriteProfileString(path, "SystemSet", "Version", "1.2");
        if (ReadProfileString(path, "SystemSet", "Version", "") != "1.2")
            __builtin_trap();
        if (plainNames) {
            WriteProfileString(path, section, key, "v a l");
            if (ReadProfileString(path, section, key, "") != "v a l")
                __builtin_trap();
        }
    } catch (const vh::platform::ProfileWriteError&) {
        // Refused (for instance a file too large to rewrite): allowed.
    }
    return 0;
}
