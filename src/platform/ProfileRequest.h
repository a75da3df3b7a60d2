#pragma once
// What both profile-string backends do to a request before they touch the file.
#include <cstddef>
#include <string>

namespace vh::platform::profile {

// The longest value a read returns.
inline constexpr std::size_t kMaxValueBytes = 2047;

// A section or key name as the functions see it: up to an embedded NUL, blanks around it removed.
std::string RequestName(const std::string& s);

// A write, ready for the file: CR and LF of the names and the value become blanks, so a value can never
// start a line of its own (such as a second Passwd).
struct WriteRequest {
    std::string section, key, value;
    std::string error; // "Unable to write to <path>" (GBK)
};
// Throws ProfileWriteError when there is no path or no key.
WriteRequest PrepareWrite(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& value);

} // namespace vh::platform::profile
