#include "platform/ProfileRequest.h"

#include "platform/ProfileString.h"
#include "platform/Text.h"

namespace vh::platform::profile {

namespace {
std::string OneLine(const std::string& s) {
    std::string out(s.c_str());
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}
} // namespace

std::string RequestName(const std::string& s) {
    return text::Trim(std::string_view(s.c_str()));
}

WriteRequest PrepareWrite(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& value) {
    WriteRequest r{OneLine(RequestName(section)), OneLine(RequestName(key)), OneLine(value),
                   "Unable to write to " + text::NativeToGbk(path)};
    if (path.empty() || r.key.empty())
        throw ProfileWriteError(r.error);
    return r;
}

} // namespace vh::platform::profile
