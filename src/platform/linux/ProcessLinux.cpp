#include "platform/linux/ProcessLinux.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/Text.h"

namespace vh::platform {

namespace {

struct Fd {
    int fd;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

// Reads through a /proc/PID folder handle: once the process has ended, the handle gives nothing, even when
// the id already belongs to another process.
std::string NameAt(int dirFd) {
    char buf[PATH_MAX];
    const ssize_t n = ::readlinkat(dirFd, "exe", buf, sizeof buf - 1);
    if (n > 0) {
        std::string path(buf, static_cast<std::size_t>(n));
        constexpr std::string_view deleted = " (deleted)";
        if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
            path.resize(path.size() - deleted.size());
        std::string base(text::FileNamePart(path, "/"));
        if (!base.empty())
            return base;
    }
    // Kernel threads and processes of other users show no link.
    const Fd comm(::openat(dirFd, "comm", O_RDONLY | O_CLOEXEC));
    if (comm.fd < 0)
        return {};
    const ssize_t m = ::read(comm.fd, buf, 64);
    if (m <= 0)
        return {};
    std::string name(buf, static_cast<std::size_t>(m));
    while (!name.empty() && (name.back() == '\n' || name.back() == '\0'))
        name.pop_back();
    return name;
}

int OpenProcessDir(std::uint32_t pid) {
    if (pid == 0)
        return -1;
    return ::open(("/proc/" + std::to_string(pid)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Field 22 of /proc/PID/stat: the start in clock ticks since boot. The name field before it may hold
// blanks and parentheses, so counting starts after its last ")".
bool StartTicksAt(int dirFd, unsigned long long& ticks) {
    const Fd stat(::openat(dirFd, "stat", O_RDONLY | O_CLOEXEC));
    if (stat.fd < 0)
        return false;
    char buf[1024];
    const ssize_t n = ::read(stat.fd, buf, sizeof buf - 1);
    if (n <= 0)
        return false;
    buf[n] = '\0';
    const char* p = std::strrchr(buf, ')');
    if (!p)
        return false;
    ++p;
    for (int field = 3; field < 22; ++field) {
        while (*p == ' ')
            ++p;
        while (*p && *p != ' ')
            ++p;
        if (!*p)
            return false;
    }
    char* end = nullptr;
    ticks = std::strtoull(p, &end, 10);
    return end != p;
}

// The wall-clock moment of boot to the nanosecond; /proc/stat's btime has whole seconds only.
std::chrono::system_clock::time_point BootTime() {
    timespec real{}, boot{};
    ::clock_gettime(CLOCK_REALTIME, &real);
    ::clock_gettime(CLOCK_BOOTTIME, &boot);
    const std::chrono::nanoseconds sinceBoot =
        std::chrono::seconds(boot.tv_sec) + std::chrono::nanoseconds(boot.tv_nsec);
    const std::chrono::nanoseconds sinceEpoch =
        std::chrono::seconds(real.tv_sec) + std::chrono::nanoseconds(real.tv_nsec);
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceEpoch - sinceBoot));
}

} // namespace

std::string LinuxProcessName(std::uint32_t pid) {
    const Fd dir(OpenProcessDir(pid));
    return dir.fd < 0 ? std::string() : NameAt(dir.fd);
}

std::vector<ProcessEntry> LinuxProcessSnapshot() {
    std::vector<std::uint32_t> pids;
    if (DIR* d = ::opendir("/proc")) {
        while (const dirent* e = ::readdir(d)) {
            char* end = nullptr;
            const unsigned long v = std::strtoul(e->d_name, &end, 10);
            if (e->d_name[0] >= '0' && e->d_name[0] <= '9' && *end == '\0' && v <= UINT32_MAX)
                pids.push_back(static_cast<std::uint32_t>(v));
        }
        ::closedir(d);
    }
    std::sort(pids.begin(), pids.end());
    std::vector<ProcessEntry> out;
    out.reserve(pids.size());
    for (const std::uint32_t pid : pids) {
        std::string name = LinuxProcessName(pid);
        // A process that ended while we walked has no name left; it is no longer running.
        if (!name.empty())
            out.push_back({pid, text::Utf8ToGbk(name)});
    }
    return out;
}

bool LinuxTerminateProcess(std::uint32_t pid) {
    // 0 and values above INT_MAX would address the caller's process group or every process.
    if (pid == 0 || pid > static_cast<std::uint32_t>(INT_MAX))
        return false;
    return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

namespace {

// The identity of the process a /proc/PID folder handle was opened for.
std::optional<ProcessIdentity> IdentityAt(int dirFd) {
    unsigned long long ticks = 0;
    if (!StartTicksAt(dirFd, ticks))
        return std::nullopt;
    std::string name = NameAt(dirFd);
    if (name.empty())
        return std::nullopt;
    const long hz = ::sysconf(_SC_CLK_TCK);
    if (hz <= 0)
        return std::nullopt;
    // Ticks are cut down to whole ticks, so the moment is never later than the real start.
    const auto perTick = static_cast<unsigned long long>(hz);
    const auto sinceBoot =
        std::chrono::seconds(ticks / perTick) + std::chrono::nanoseconds((ticks % perTick) * 1000000000ULL / perTick);
    ProcessIdentity id;
    id.exeName = text::Utf8ToGbk(name);
    id.started = BootTime() + std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceBoot);
    return id;
}

int PidfdOpen(std::uint32_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
}

int PidfdSignal(int pidfd, int sig) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0));
}

} // namespace

std::optional<ProcessIdentity> LinuxProcessIdentity(std::uint32_t pid) {
    const Fd dir(OpenProcessDir(pid));
    if (dir.fd < 0)
        return std::nullopt;
    return IdentityAt(dir.fd);
}

bool LinuxTerminateIdentified(std::uint32_t pid, const std::function<bool(const ProcessIdentity&)>& isTarget) {
    if (pid == 0 || pid > static_cast<std::uint32_t>(INT_MAX))
        return false;
    const Fd pidfd(PidfdOpen(pid));
    if (pidfd.fd < 0) {
        if (errno != ENOSYS)
            return false; // no such process
        const std::optional<ProcessIdentity> identity = LinuxProcessIdentity(pid);
        return identity && isTarget(*identity) && LinuxTerminateProcess(pid);
    }
    // The pidfd holds the process that had the id when it was opened. The /proc folder opened next is that
    // process's while it still runs after the folder is open; once it has ended, the id may name another
    // process already, so nothing is read and nothing is killed.
    const Fd dir(OpenProcessDir(pid));
    if (dir.fd < 0 || PidfdSignal(pidfd.fd, 0) != 0)
        return false;
    const std::optional<ProcessIdentity> identity = IdentityAt(dir.fd);
    if (!identity || !isTarget(*identity))
        return false;
    // Reaches the process looked at, or fails (ESRCH) when it has ended since; never its successor.
    return PidfdSignal(pidfd.fd, SIGKILL) == 0;
}

} // namespace vh::platform
