// Start with Windows: the value "Varnholt" under the machine's Run key.
#include "platform/Autorun.h"

#include <windows.h>

#include <stdexcept>

namespace vh::platform {

namespace {

constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kValueName = "Varnholt";

std::string ErrorText(const char* what, LONG rc) {
    return std::string(what) + " HKEY_LOCAL_MACHINE\\" + kRunKey + " (error " + std::to_string(rc) + ")";
}

} // namespace

void RemoveAutorunEntry() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, kValueName);
    RegCloseKey(key);
}

void WriteAutorunEntry(const std::string& exePath) {
    if (exePath.empty() || exePath.find('\0') != std::string::npos)
        throw std::runtime_error("the program path is empty");
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr);
    if (rc != ERROR_SUCCESS)
        throw std::runtime_error(ErrorText("cannot open", rc));
    // The path as the system reports it, without quotes or arguments, with its terminating null.
    rc = RegSetValueExA(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(exePath.c_str()),
                        static_cast<DWORD>(exePath.size() + 1));
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        throw std::runtime_error(ErrorText("cannot write to", rc));
}

bool AutorunEntryExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    const bool exists = RegQueryValueExA(key, kValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

} // namespace vh::platform
