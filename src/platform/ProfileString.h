#pragma once
// The INI profile-string functions: GetPrivateProfileStringA / WritePrivateProfileStringA on Windows,
// our own reader and writer with the same rules elsewhere.
#include <stdexcept>
#include <string>

namespace vh::platform {

// Raised when the system refuses a write; what() is "Unable to write to <path>" (GBK).
class ProfileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The value of key in section, at most 2047 bytes, blanks around it and one pair of outer quotes
// removed; def when the file, the section or the key is missing. Names match ignoring ASCII case.
std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& def);

// Replaces the value in place, or appends the key to its section, or appends the section; every other
// line stays as it was. The file is replaced atomically. Throws ProfileWriteError when refused.
void WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

} // namespace vh::platform
