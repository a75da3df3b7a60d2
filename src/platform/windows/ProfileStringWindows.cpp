// The settings file through the system's profile-string functions. The functions rewrite the file where
// it lies, so a crash in the middle could leave it half written; a write therefore goes to a copy
// beside the file, and the copy replaces the file in one step.
#include "platform/ProfileString.h"

#include "platform/FileReplace.h"
#include "platform/ProfileRequest.h"
#include "platform/Text.h"

#include <windows.h>
// windows.h maps the name onto its win.ini function.
#undef WriteProfileString

namespace vh::platform {

namespace {

using profile::kMaxValueBytes;
using profile::RequestName;
// Returned by the system for a missing key; the caller's default is given back instead.
constexpr const char* kMissing = "\x01vh-missing\x01";

std::string Query(const std::string& path, const std::string& section, const std::string& key, std::size_t size) {
    std::string buf(size, '\0');
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), kMissing, buf.data(),
                                             static_cast<DWORD>(buf.size()), path.c_str());
    buf.resize(n);
    return buf;
}

std::string FolderOf(const std::string& path) {
    const auto cut = path.find_last_of("\\/");
    if (cut == std::string::npos)
        return ".";
    return path.substr(0, cut + 1);
}

// The existing file under the spelling it already has: the name matches ignoring case, and replacing it
// must not rename it.
std::string ExistingSpelling(const std::string& path) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(path.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return path;
    FindClose(h);
    const auto cut = path.find_last_of("\\/");
    return (cut == std::string::npos ? std::string() : path.substr(0, cut + 1)) + fd.cFileName;
}

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& def) {
    const std::string sec = RequestName(section);
    const std::string k = RequestName(key);
    // An empty key would ask the system for the list of all keys; an empty section would reach the lines
    // before the first section, which belong to no section.
    if (k.empty() || sec.empty() || path.empty() || IsFolder(GetFileAttributesA(path.c_str())))
        return def;
    std::string value = Query(path, sec, k, kMaxValueBytes + 1);
    if (value.size() >= kMaxValueBytes) {
        // The system may have cut a double-byte character in half: read the whole value and cut it whole.
        value = Query(path, sec, k, 65536);
    }
    if (value == kMissing)
        return def;
    return text::CutBytesWhole(value, kMaxValueBytes);
}

void WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    const profile::WriteRequest request = profile::PrepareWrite(path, section, key, value);
    const std::string& error = request.error;
    const std::string& sec = request.section;
    const std::string& k = request.key;
    const std::string& v = request.value;

    // Wildcards would make the spelling lookup find another file.
    if (path.find_first_of("*?") != std::string::npos)
        throw ProfileWriteError(error);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && ((attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_READONLY)))
        throw ProfileWriteError(error);

    char tmp[MAX_PATH + 1] = {};
    if (GetTempFileNameA(FolderOf(path).c_str(), "vh", 0, tmp) == 0)
        throw ProfileWriteError(error);
    const std::string target = exists ? ExistingSpelling(path) : path;
    bool ok = !exists || CopyFileA(target.c_str(), tmp, FALSE) != FALSE;
    ok = ok && WritePrivateProfileStringA(sec.c_str(), k.c_str(), v.c_str(), tmp) != FALSE;
    // Flushes the system's cached copy of the file.
    ok = ok && (WritePrivateProfileStringA(nullptr, nullptr, nullptr, tmp), true);
    std::string why;
    ok = ok && ReplaceFileDurably(tmp, target, why);
    if (!ok) {
        DeleteFileA(tmp);
        throw ProfileWriteError(error);
    }
}

} // namespace vh::platform
