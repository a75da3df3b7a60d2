// Start with the session through an XDG autostart desktop entry.
#include "platform/Autorun.h"

#include "platform/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vh::platform {

namespace {

std::string AutostartDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // Relative values are invalid by the base-directory rules and are ignored.
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/autostart";
    const char* home = std::getenv("HOME");
    if (!home || !home[0])
        throw std::runtime_error("neither XDG_CONFIG_HOME nor HOME is set");
    return std::string(home) + "/.config/autostart";
}

std::string EntryPath() {
    return AutostartDir() + "/Varnholt.desktop";
}

bool ValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || i + len > s.size())
            return false;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += len;
    }
    return true;
}

// One Exec argument: quoted when it holds a reserved character, with the quoting escapes, then '%' doubled
// as field codes demand.
std::string ExecArgument(const std::string& arg) {
    static const char reserved[] = " \t\n\"'\\><~|&;$*?#()`";
    std::string out;
    if (arg.find_first_of(reserved) == std::string::npos) {
        out = arg;
    } else {
        out = "\"";
        for (char c : arg) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    std::string coded;
    for (char c : out) {
        coded += c;
        if (c == '%')
            coded += '%';
    }
    return coded;
}

// The string-value escapes of a desktop entry, applied to the whole value.
std::string EscapeValue(const std::string& v) {
    std::string out;
    for (char c : v) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

void MakeDirs(const std::string& dir) {
    for (size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos != dir.size() && dir[pos] != '/')
            continue;
        const std::string part = dir.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error("cannot create " + part + ": " + std::strerror(errno));
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw std::runtime_error(dir + " is not a folder");
}

} // namespace

void RemoveAutorunEntry() {
    try {
        ::unlink(EntryPath().c_str());
    } catch (const std::exception&) {
        // No place for the entry means there is none to remove.
    }
}

void WriteAutorunEntry(const std::string& exePath) {
    if (exePath.empty() || exePath[0] != '/')
        throw std::runtime_error("the program path is not absolute: " + exePath);
    if (!ValidUtf8(exePath))
        throw std::runtime_error("the program path is not UTF-8");

    const std::string dir = AutostartDir();
    MakeDirs(dir);
    const std::string path = dir + "/Varnholt.desktop";
    const std::string text = "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Version=1.0\n"
                             "Name=Varnholt\n"
                             "Comment=Records how working time at the computer is spent\n"
                             "Exec=" +
                             EscapeValue(ExecArgument(exePath)) +
                             "\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n";

    // Written beside the entry and renamed over it, so the session never sees half an entry.
    std::string tmp = path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        throw std::runtime_error("cannot create " + tmp + ": " + std::strerror(errno));
    size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            ok = false;
        else
            done += static_cast<size_t>(w);
    }
    int err = ok ? 0 : errno;
    if (ok && ::fchmod(fd, 0644) != 0) {
        ok = false;
        err = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    std::string why = ok ? std::string() : "cannot write " + path + ": " + std::strerror(err);
    if (ok && !ReplaceFileDurably(tmp, path, why))
        ok = false;
    if (!ok) {
        ::unlink(tmp.c_str());
        throw std::runtime_error(why);
    }
}

bool AutorunEntryExists() {
    try {
        struct stat st {};
        return ::stat(EntryPath().c_str(), &st) == 0 && S_ISREG(st.st_mode);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace vh::platform
