#include "platform/ProfileString.h"

#include "platform/ProfileRequest.h"
#include "platform/Text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vh::platform {

namespace {

using profile::kMaxValueBytes;
using profile::RequestName;
// Beyond this a file is not a settings file; reads look at its start only and writes refuse it rather
// than drop the rest.
constexpr std::size_t kMaxFileBytes = 64u * 1024u * 1024u;

struct Line {
    std::size_t begin; // first byte of the content
    std::size_t end;   // one past the content (line break excluded)
    std::size_t next;  // first byte of the next line
};

std::vector<Line> SplitLines(const std::string& data) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < data.size()) {
        const std::size_t nl = data.find('\n', pos);
        if (nl == std::string::npos) {
            lines.push_back({pos, data.size(), data.size()});
            break;
        }
        std::size_t end = nl;
        if (end > pos && data[end - 1] == '\r')
            --end;
        lines.push_back({pos, end, nl + 1});
        pos = nl + 1;
    }
    return lines;
}

bool IsBlank(unsigned char c) {
    return c <= 0x20;
}

// What one line is: a section header, a key=value line, or anything else (comments, blanks, junk).
struct Parsed {
    enum Kind { Other, Section, Key } kind = Other;
    std::string_view name;   // trimmed section or key name
    std::size_t valueAt = 0; // offset within the line just after '='
    std::string_view value;  // raw value text after '='
};

std::string_view TrimView(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && IsBlank(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

// Finds c as a character of its own, never as the second byte of a double-byte GBK character.
std::size_t FindChar(std::string_view s, std::size_t from, char c) {
    for (std::size_t i = from; i < s.size(); ++i) {
        if (s[i] == c)
            return i;
        if (text::IsGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size())
            ++i;
    }
    return std::string_view::npos;
}

Parsed ParseLine(std::string_view line) {
    Parsed p;
    std::size_t start = 0;
    while (start < line.size() && IsBlank(static_cast<unsigned char>(line[start])))
        ++start;
    if (start < line.size() && line[start] == '[') {
        const std::size_t close = FindChar(line, start + 1, ']');
        if (close != std::string_view::npos) {
            p.kind = Parsed::Section;
            p.name = TrimView(line.substr(start + 1, close - start - 1));
            return p;
        }
    }
    const std::size_t eq = FindChar(line, start, '=');
    if (eq == std::string_view::npos)
        return p;
    p.name = TrimView(line.substr(start, eq - start));
    if (p.name.empty())
        return p;
    p.kind = Parsed::Key;
    p.valueAt = eq + 1;
    p.value = line.substr(eq + 1);
    return p;
}

// The line's text for parsing: a UTF-8 byte order mark in front of the first line would otherwise hide
// the first section header.
std::string_view LineText(const std::string& data, const Line& l) {
    std::string_view s(data.data() + l.begin, l.end - l.begin);
    if (l.begin == 0 && s.substr(0, 3) == "\xEF\xBB\xBF")
        s.remove_prefix(3);
    return s;
}

// A request's name as the C API would see it: up to a NUL, blanks around it ignored.

std::string FinishValue(std::string_view raw) {
    raw = raw.substr(0, raw.find('\0'));
    std::string v = text::Trim(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return text::CutBytesWhole(v, kMaxValueBytes);
}

std::string DirOf(const std::string& path) {
    const auto cut = path.find_last_of('/');
    if (cut == std::string::npos)
        return ".";
    if (cut == 0)
        return "/";
    return path.substr(0, cut);
}

// Windows matches file names ignoring case: a missing name is looked up among its folder's entries.
std::string ResolvePath(const std::string& path) {
    struct stat st {};
    if (path.empty() || lstat(path.c_str(), &st) == 0)
        return path;
    const auto cut = path.find_last_of('/');
    const std::string dir = cut == std::string::npos ? "." : (cut == 0 ? "/" : path.substr(0, cut));
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    if (name.empty())
        return path;
    DIR* d = opendir(dir.c_str());
    if (!d)
        return path;
    std::string best;
    while (dirent* e = readdir(d)) {
        const std::string entry = e->d_name;
        if (text::EqualsIgnoreAsciiCase(entry, name) && (best.empty() || entry < best))
            best = entry;
    }
    closedir(d);
    if (best.empty())
        return path;
    return (cut == std::string::npos ? std::string() : path.substr(0, cut + 1)) + best;
}

enum class LoadResult { Ok, Missing, Failed };

LoadResult LoadFile(const std::string& path, std::string& data, struct stat* info, bool whole) {
    data.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT ? LoadResult::Missing : LoadResult::Failed;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return LoadResult::Failed;
    }
    if (info)
        *info = st;
    if (whole && static_cast<unsigned long long>(st.st_size) > kMaxFileBytes) {
        close(fd);
        return LoadResult::Failed;
    }
    data.reserve(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), kMaxFileBytes));
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            close(fd);
            return LoadResult::Failed;
        }
        if (n == 0)
            break;
        data.append(buf, static_cast<std::size_t>(n));
        if (data.size() >= kMaxFileBytes) {
            if (whole) {
                close(fd);
                return LoadResult::Failed;
            }
            data.resize(kMaxFileBytes);
            break;
        }
    }
    close(fd);
    return LoadResult::Ok;
}

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A writer killed between creating its temporary file and renaming it leaves the file behind; the
// next writer removes those of processes that no longer run (never a live writer's).
void RemoveStaleTemps(const std::string& dir, const std::string& base) {
    DIR* d = opendir(dir.c_str());
    if (!d)
        return;
    const std::string prefix = "." + base + ".";
    const std::string_view suffix = ".tmp";
    while (const dirent* e = readdir(d)) {
        const std::string_view name = e->d_name;
        if (name.size() <= prefix.size() + suffix.size() || name.substr(0, prefix.size()) != prefix ||
            name.substr(name.size() - suffix.size()) != suffix)
            continue;
        // ".<base>.<pid>.<counter>.tmp"
        const std::string_view middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        const auto dot = middle.find('.');
        if (dot == 0 || dot == std::string_view::npos || dot > 9 || dot + 1 == middle.size())
            continue;
        const auto digits = [](std::string_view v) {
            return std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
        };
        if (!digits(middle.substr(0, dot)) || !digits(middle.substr(dot + 1)))
            continue;
        const pid_t pid = static_cast<pid_t>(std::strtol(std::string(middle.substr(0, dot)).c_str(), nullptr, 10));
        if (pid <= 0 || pid == getpid() || kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        unlinkat(dirfd(d), e->d_name, 0);
    }
    closedir(d);
}

// Writes data to a fresh file beside target, then renames it over target: a reader sees the old file or
// the new one, and a failure leaves the old one as it was.
bool ReplaceFile(const std::string& target, const std::string& data, const struct stat* old) {
    static std::atomic<unsigned> counter{0};
    const std::string dir = DirOf(target);
    const auto cut = target.find_last_of('/');
    const std::string base = cut == std::string::npos ? target : target.substr(cut + 1);
    RemoveStaleTemps(dir, base);
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = (cut == std::string::npos ? std::string() : target.substr(0, cut + 1)) + "." + base + "." +
              std::to_string(getpid()) + "." + std::to_string(counter++) + ".tmp";
        fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = true;
    if (old) {
        (void)fchmod(fd, old->st_mode & 07777);
        if (geteuid() == 0)
            (void)fchown(fd, old->st_uid, old->st_gid);
    }
    ok = WriteAll(fd, data) && fsync(fd) == 0;
    if (close(fd) != 0)
        ok = false;
    if (ok && rename(tmp.c_str(), target.c_str()) != 0)
        ok = false;
    if (!ok) {
        unlink(tmp.c_str());
        return false;
    }
    const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)fsync(dfd);
        close(dfd);
    }
    return true;
}

} // namespace

std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& def) {
    const std::string sec = RequestName(section);
    const std::string k = RequestName(key);
    if (k.empty())
        return def;
    std::string data;
    if (LoadFile(ResolvePath(path), data, nullptr, false) != LoadResult::Ok)
        return def;
    bool inSection = false;
    for (const Line& l : SplitLines(data)) {
        const Parsed p = ParseLine(LineText(data, l));
        if (p.kind == Parsed::Section)
            inSection = text::EqualsIgnoreAsciiCase(p.name, sec);
        else if (p.kind == Parsed::Key && inSection && text::EqualsIgnoreAsciiCase(p.name, k))
            return FinishValue(p.value);
    }
    return def;
}

void WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    const profile::WriteRequest request = profile::PrepareWrite(path, section, key, value);
    const std::string& error = request.error;
    const std::string& sec = request.section;
    const std::string& k = request.key;
    const std::string& v = request.value;

    std::string target = ResolvePath(path);
    struct stat lst {};
    if (lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        // Replace the file the link points at, not the link.
        if (char* real = realpath(target.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }

    std::string data;
    struct stat info {};
    const LoadResult loaded = LoadFile(target, data, &info, true);
    if (loaded == LoadResult::Failed)
        throw ProfileWriteError(error);
    if (loaded == LoadResult::Ok && access(target.c_str(), W_OK) != 0)
        throw ProfileWriteError(error);

    const std::size_t firstNl = data.find('\n');
    const std::string eol =
        (firstNl != std::string::npos && (firstNl == 0 || data[firstNl - 1] != '\r')) ? "\n" : "\r\n";

    const std::vector<Line> lines = SplitLines(data);
    bool inSection = false;
    bool sectionFound = false;
    bool inFirstSection = false;
    std::size_t lastOfSection = 0; // index of the last non-blank line of the first matching section
    std::string result;
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        const Line& l = lines[i];
        const std::string_view lineText = LineText(data, l);
        const Parsed p = ParseLine(lineText);
        if (p.kind == Parsed::Section) {
            inSection = text::EqualsIgnoreAsciiCase(p.name, sec);
            inFirstSection = inSection && !sectionFound;
            if (inFirstSection)
                lastOfSection = i;
            sectionFound = sectionFound || inSection;
        } else if (p.kind == Parsed::Key && inSection && text::EqualsIgnoreAsciiCase(p.name, k)) {
            const std::size_t valueStart = l.end - lineText.size() + p.valueAt;
            result = data.substr(0, valueStart) + v + data.substr(l.end);
            done = true;
        } else if (inFirstSection && !TrimView(lineText).empty()) {
            lastOfSection = i;
        }
    }
    if (!done) {
        const std::string keyLine = k + "=" + v;
        if (sectionFound) {
            const Line& after = lines[lastOfSection];
            result = data.substr(0, after.next);
            if (after.next == after.end)
                result += eol;
            result += keyLine + eol + data.substr(after.next);
        } else {
            result = data;
            if (!result.empty() && result.back() != '\n')
                result += eol;
            result += "[" + sec + "]" + eol + keyLine + eol;
        }
    }
    if (!ReplaceFile(target, result, loaded == LoadResult::Ok ? &info : nullptr))
        throw ProfileWriteError(error);
}

} // namespace vh::platform
