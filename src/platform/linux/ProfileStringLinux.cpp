#include "platform/ProfileString.h"

#include "platform/FileReplace.h"
#include "platform/ProfileRequest.h"
#include "platform/Text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <signal.h>
#include <string>
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

using text::TrimView;

// Finds c as a character of its own, never as the second byte of a double-byte GBK character.
std::size_t FindChar(std::string_view s, std::size_t from, char c) {
    for (std::size_t i = from; i < s.size(); ++i) {
        if (s[i] == c)
            return i;
        i += text::GbkCharLength(s, i) - 1;
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
    const std::string name(text::FileNamePart(path, "/"));
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
    const std::string base(text::FileNamePart(target, "/"));
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
        // Best effort: a file that cannot keep its mode or owner is still written.
        [[maybe_unused]] const int modeKept = fchmod(fd, old->st_mode & 07777);
        [[maybe_unused]] const int ownerKept = geteuid() == 0 ? fchown(fd, old->st_uid, old->st_gid) : 0;
    }
    ok = WriteAll(fd, data);
    if (close(fd) != 0)
        ok = false;
    std::string error;
    if (!ok || !ReplaceFileDurably(tmp, target, error)) {
        unlink(tmp.c_str());
        return false;
    }
    return true;
}

// A file saved as UTF-16 LE with a byte-order mark (Notepad's "Unicode"), as Windows reads and edits it:
// the rules work on the text converted to GBK, line for line, and a write changes only the code units of
// the edited line, so the other lines and the encoding stay as they were.
struct Utf16Text {
    std::u16string units; // after the byte-order mark
    std::string oddByte;  // a last byte without its pair, kept as it was
    std::vector<Line> lines;
};

bool IsUtf16LeWithBom(const std::string& raw) {
    return raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE';
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A lone surrogate becomes U+FFFD, which GBK shows as "?", as the Windows conversion does.
std::string UnitsToGbk(std::u16string_view s) {
    std::string utf8;
    utf8.reserve(s.size() * 3);
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(utf8, c);
    }
    return text::Utf8ToGbk(utf8);
}

std::u16string GbkToUnits(std::string_view gbk) {
    const std::string utf8 = text::GbkToUtf8(gbk);
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = text::Utf8SequenceLength(utf8, i);
        if (n == 0) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        const auto b = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(utf8[i + k])); };
        char32_t c = n == 1   ? b(0)
                     : n == 2 ? ((b(0) & 0x1F) << 6) | (b(1) & 0x3F)
                     : n == 3 ? ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F)
                              : ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += n;
    }
    return out;
}

// Decodes raw (which starts with the mark) and returns the GBK text the rules read: every line converted
// on its own, with its own line break, so line i of the result is line i of the file.
std::string DecodeUtf16(const std::string& raw, Utf16Text& t) {
    const std::size_t count = (raw.size() - 2) / 2;
    t.units.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        t.units[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 + 2 * i]) |
                                           (static_cast<unsigned char>(raw[3 + 2 * i]) << 8));
    t.oddByte = raw.size() % 2 ? raw.substr(raw.size() - 1) : std::string();
    std::string data;
    std::size_t pos = 0;
    while (pos < t.units.size()) {
        const std::size_t nl = t.units.find(u'\n', pos);
        const std::size_t stop = nl == std::u16string::npos ? t.units.size() : nl;
        std::size_t end = stop;
        if (nl != std::u16string::npos && end > pos && t.units[end - 1] == u'\r')
            --end;
        const std::size_t next = nl == std::u16string::npos ? t.units.size() : nl + 1;
        t.lines.push_back({pos, end, next});
        data += UnitsToGbk(std::u16string_view(t.units).substr(pos, end - pos));
        if (nl != std::u16string::npos)
            data += end < stop ? "\r\n" : "\n";
        pos = next;
    }
    return data;
}

std::string EncodeUtf16(const std::u16string& units, const std::string& oddByte) {
    std::string out = "\xFF\xFE";
    out.reserve(2 + units.size() * 2 + oddByte.size());
    for (char16_t u : units) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out + oddByte;
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
    if (IsUtf16LeWithBom(data)) {
        Utf16Text utf16;
        data = DecodeUtf16(data, utf16);
    }
    // Only the first occurrence of a section counts, as with the Windows functions.
    bool inSection = false;
    for (const Line& l : SplitLines(data)) {
        const Parsed p = ParseLine(LineText(data, l));
        if (p.kind == Parsed::Section) {
            if (inSection)
                break;
            inSection = text::EqualsIgnoreAsciiCase(p.name, sec);
        } else if (p.kind == Parsed::Key && inSection && text::EqualsIgnoreAsciiCase(p.name, k)) {
            return FinishValue(p.value);
        }
    }
    return def;
}

namespace {

// The file a write replaces: the one a link points at, not the link.
std::string WriteTarget(const std::string& path) {
    std::string target = ResolvePath(path);
    struct stat lst {};
    if (lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        if (char* real = realpath(target.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    return target;
}

// Where the key stands in the first occurrence of its section, as the Windows functions look.
struct KeyPlace {
    std::vector<Line> lines;
    bool sectionFound = false;
    std::size_t lastOfSection = 0; // index of the last non-blank line of the section
    std::size_t keyLine = 0;       // lines.size() when the key is not there
    std::size_t valueStart = 0;
};

KeyPlace FindKey(const std::string& data, const std::string& sec, const std::string& k) {
    KeyPlace place;
    place.lines = SplitLines(data);
    place.keyLine = place.lines.size();
    bool inSection = false;
    for (std::size_t i = 0; i < place.lines.size(); ++i) {
        const Line& l = place.lines[i];
        const std::string_view lineText = LineText(data, l);
        const Parsed p = ParseLine(lineText);
        if (p.kind == Parsed::Section) {
            if (inSection)
                break;
            inSection = text::EqualsIgnoreAsciiCase(p.name, sec);
            if (inSection) {
                place.sectionFound = true;
                place.lastOfSection = i;
            }
        } else if (p.kind == Parsed::Key && inSection && text::EqualsIgnoreAsciiCase(p.name, k)) {
            place.keyLine = i;
            place.valueStart = l.end - lineText.size() + p.valueAt;
            break;
        } else if (inSection && !TrimView(lineText).empty()) {
            place.lastOfSection = i;
        }
    }
    return place;
}

// The one change of a write: the bytes [from, to) of data become insert (the value's text up to the end of
// its line, or new lines at a line boundary).
struct Change {
    std::size_t from = 0, to = 0;
    std::string insert;
};

Change PlanChange(const std::string& data, const KeyPlace& place, const std::string& sec, const std::string& k,
                  const std::string& v) {
    const std::size_t firstNl = data.find('\n');
    const std::string eol =
        (firstNl != std::string::npos && (firstNl == 0 || data[firstNl - 1] != '\r')) ? "\n" : "\r\n";
    Change c{data.size(), data.size(), {}};
    if (place.keyLine < place.lines.size()) {
        c.from = place.valueStart;
        c.to = place.lines[place.keyLine].end;
        c.insert = v;
    } else if (place.sectionFound) {
        const Line& after = place.lines[place.lastOfSection];
        c.from = c.to = after.next;
        if (after.next == after.end)
            c.insert = eol;
        c.insert += k + "=" + v + eol;
    } else {
        if (!data.empty() && data.back() != '\n')
            c.insert = eol;
        c.insert += "[" + sec + "]" + eol + k + "=" + v + eol;
    }
    return c;
}

// The same change on the code units of a UTF-16 file: after the line's first "=" to its end, or at the
// boundary. Empty when the key's line holds no "=" in its code units.
std::optional<std::string> ApplyToUtf16(const Utf16Text& utf16, const KeyPlace& place, const Change& c) {
    std::size_t uFrom = utf16.units.size(), uTo = uFrom;
    if (place.keyLine < place.lines.size()) {
        const Line& u = utf16.lines[place.keyLine];
        const std::size_t eq = utf16.units.find(u'=', u.begin);
        if (eq == std::u16string::npos || eq >= u.end)
            return std::nullopt;
        uFrom = eq + 1;
        uTo = u.end;
    } else {
        for (std::size_t i = 0; i < place.lines.size(); ++i)
            if (place.lines[i].next == c.from)
                uFrom = uTo = utf16.lines[i].next;
    }
    std::u16string units = utf16.units;
    units.replace(uFrom, uTo - uFrom, GbkToUnits(c.insert));
    return EncodeUtf16(units, utf16.oddByte);
}

} // namespace

void WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    const profile::WriteRequest request = profile::PrepareWrite(path, section, key, value);
    const std::string target = WriteTarget(path);

    std::string data;
    struct stat info {};
    const LoadResult loaded = LoadFile(target, data, &info, true);
    if (loaded == LoadResult::Failed)
        throw ProfileWriteError(request.error);
    if (loaded == LoadResult::Ok && access(target.c_str(), W_OK) != 0)
        throw ProfileWriteError(request.error);
    Utf16Text utf16;
    const bool isUtf16 = IsUtf16LeWithBom(data);
    if (isUtf16)
        data = DecodeUtf16(data, utf16);

    const KeyPlace place = FindKey(data, request.section, request.key);
    const Change change = PlanChange(data, place, request.section, request.key, request.value);
    std::optional<std::string> result = data.substr(0, change.from) + change.insert + data.substr(change.to);
    if (isUtf16)
        result = ApplyToUtf16(utf16, place, change);
    if (!result || !ReplaceFile(target, *result, loaded == LoadResult::Ok ? &info : nullptr))
        throw ProfileWriteError(request.error);
}

} // namespace vh::platform
