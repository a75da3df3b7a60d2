// The identity-checked kill on Linux, against real processes whose ids are handed on for real: a process
// under the id of one that has ended is never killed, neither when the id passed on before the call nor in
// the middle of it, between the look at the process and the signal. The last case is the one the plain
// fallback (look, then kill by id) gets wrong.
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/sched.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <functional>
#include <thread>

#include "platform/WindowSystem.h"
#include "platform/linux/ProcessLinux.h"
#include "support/FakeWindowSystem.h"

namespace {

using vh::platform::ProcessIdentity;
using Target = std::function<bool(const ProcessIdentity&)>;

// The process calls of every Linux backend, and the base class's kill: identity, then kill() by id.
class ByIdOnly : public vh::test::FakeWindowSystem {
public:
    std::optional<ProcessIdentity> IdentifyProcess(std::uint32_t pid) override {
        return vh::platform::LinuxProcessIdentity(pid);
    }
    bool TerminateProcess(std::uint32_t pid) override { return vh::platform::LinuxTerminateProcess(pid); }
};

// What the Linux backends do (X11, sway, KWin, GNOME, and a Wayland session without sight all forward to it).
class WithPidfd : public ByIdOnly {
public:
    bool TerminateIdentified(std::uint32_t pid, const Target& isTarget) override {
        return vh::platform::LinuxTerminateIdentified(pid, isTarget);
    }
};

// A child that only waits to be killed, and dies with the test.
[[noreturn]] void Sleep() {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (;;)
        ::pause();
}

pid_t StartSleeper() {
    const pid_t pid = ::fork();
    if (pid == 0)
        Sleep();
    return pid;
}

// A new child under exactly the id given, as the kernel hands out an id again once its process has been
// reaped (clone3 with set_tid; root only). -1 when refused.
pid_t StartSleeperWithId(pid_t id) {
    pid_t wanted = id;
    clone_args args{};
    args.exit_signal = SIGCHLD;
    args.set_tid = reinterpret_cast<std::uintptr_t>(&wanted);
    args.set_tid_size = 1;
    const long pid = ::syscall(SYS_clone3, &args, sizeof args);
    if (pid == 0)
        Sleep();
    return static_cast<pid_t>(pid);
}

void KillAndReap(pid_t pid) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// True while the child runs; false (and reaped) once it was killed.
bool StillRunning(pid_t pid) {
    int status = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < end) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The rule of the non-work notice: the sampled executable, started before the sample.
Target SampledBefore(const ProcessIdentity& sampled, std::chrono::system_clock::time_point at) {
    return [=](const ProcessIdentity& now) { return now.exeName == sampled.exeName && now.started <= at; };
}

class ProcessKill : public ::testing::Test {
protected:
    // A sampled process: its identity, and the sample's moment just after its start.
    void SetUp() override {
        sampled_ = StartSleeper();
        ASSERT_GT(sampled_, 0);
        const auto identity = vh::platform::LinuxProcessIdentity(static_cast<std::uint32_t>(sampled_));
        ASSERT_TRUE(identity.has_value());
        identity_ = *identity;
        sampledAt_ = std::chrono::system_clock::now();
        // Start times count in clock ticks: a successor must start visibly later.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    void TearDown() override {
        for (pid_t p : {sampled_, successor_})
            if (p > 0)
                KillAndReap(p);
    }
    // Ends the sampled process and gives its id to a new one; false when the system refuses.
    bool HandOnTheId() {
        KillAndReap(sampled_);
        successor_ = StartSleeperWithId(sampled_);
        const pid_t id = sampled_;
        sampled_ = -1;
        return successor_ == id;
    }
    std::uint32_t Id() const { return static_cast<std::uint32_t>(sampled_ > 0 ? sampled_ : successor_); }

    pid_t sampled_ = -1;
    pid_t successor_ = -1;
    ProcessIdentity identity_;
    std::chrono::system_clock::time_point sampledAt_;
};

TEST_F(ProcessKill, KillsTheSampledProcess) {
    WithPidfd ws;
    EXPECT_FALSE(ws.TerminateIdentified(Id(), [](const ProcessIdentity&) { return false; }));
    EXPECT_TRUE(StillRunning(sampled_));
    EXPECT_TRUE(ws.TerminateIdentified(Id(), SampledBefore(identity_, sampledAt_)));
    EXPECT_FALSE(StillRunning(sampled_));
    const std::uint32_t gone = Id();
    sampled_ = -1;
    // An id that names nothing, and the ids kill() would take for a group or every process.
    EXPECT_FALSE(ws.TerminateIdentified(gone, [](const ProcessIdentity&) { return true; }));
    EXPECT_FALSE(ws.TerminateIdentified(0, [](const ProcessIdentity&) { return true; }));
    EXPECT_FALSE(ws.TerminateIdentified(0xFFFFFFFFu, [](const ProcessIdentity&) { return true; }));
}

// The id was handed on before the call: the successor's start gives it away, to both kinds of kill.
TEST_F(ProcessKill, AnIdHandedOnBeforeTheCallIsLeftAlone) {
    if (!HandOnTheId())
        GTEST_SKIP() << "the system refuses to give a chosen id to a new process (clone3 set_tid needs root)";
    const auto successor = vh::platform::LinuxProcessIdentity(Id());
    ASSERT_TRUE(successor.has_value());
    EXPECT_EQ(successor->exeName, identity_.exeName) << "the same program, as a restarted one would be";
    WithPidfd pidfd;
    ByIdOnly byId;
    EXPECT_FALSE(pidfd.TerminateIdentified(Id(), SampledBefore(identity_, sampledAt_)));
    EXPECT_FALSE(byId.TerminateIdentified(Id(), SampledBefore(identity_, sampledAt_)));
    EXPECT_TRUE(StillRunning(successor_));
}

// The id is handed on while the check runs: after the sampled process was found to be the target and before
// the signal. The pidfd's signal finds its process gone, where a kill by id would hit the successor.
TEST_F(ProcessKill, AnIdHandedOnDuringTheCheckIsLeftAlone) {
    bool handedOn = false;
    const Target racing = [&](const ProcessIdentity& id) {
        const bool target = SampledBefore(identity_, sampledAt_)(id);
        handedOn = HandOnTheId();
        return target;
    };
    WithPidfd pidfd;
    const std::uint32_t id = Id();
    EXPECT_FALSE(pidfd.TerminateIdentified(id, racing));
    if (!handedOn)
        GTEST_SKIP() << "the system refuses to give a chosen id to a new process (clone3 set_tid needs root)";
    EXPECT_TRUE(StillRunning(successor_)) << "the successor under the id was killed";
}

// A kernel without pidfd (before 5.3), made here by a seccomp filter that answers pidfd_open with ENOSYS in a
// child process: the kill falls back to the identity check and kill() by id.
TEST_F(ProcessKill, WithoutPidfdTheCheckStillHolds) {
    const pid_t target = sampled_;
    const ProcessIdentity identity = identity_;
    const auto at = sampledAt_;
    const pid_t checker = ::fork();
    if (checker == 0) {
        sock_filter filter[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_pidfd_open, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (ENOSYS & SECCOMP_RET_DATA)),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
            ::_exit(10);
        if (::syscall(SYS_pidfd_open, target, 0) >= 0 || errno != ENOSYS)
            ::_exit(11);
        WithPidfd ws;
        if (ws.TerminateIdentified(static_cast<std::uint32_t>(target), [](const ProcessIdentity&) { return false; }))
            ::_exit(12);
        if (!ws.TerminateIdentified(static_cast<std::uint32_t>(target), SampledBefore(identity, at)))
            ::_exit(13);
        ::_exit(0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(checker, &status, 0), checker);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(StillRunning(sampled_));
    sampled_ = -1;
}

} // namespace
