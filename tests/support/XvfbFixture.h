#pragma once
// A private X server for tests: Xvfb on a free display of a given range, optionally with openbox, and the
// programs a test starts on it. Everything it started is killed when it goes.
#include <chrono>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vh::test {

// A program started by the fixture, in a process group of its own, its output read through a pipe.
class XChild {
public:
    XChild() = default;
    XChild(pid_t pid, int outFd) : pid_(pid), outFd_(outFd) {}
    XChild(XChild&& o) noexcept;
    XChild& operator=(XChild&& o) noexcept;
    XChild(const XChild&) = delete;
    XChild& operator=(const XChild&) = delete;
    ~XChild();

    pid_t Pid() const { return pid_; }
    // The next line the program wrote to its standard output (without the line end); false on timeout
    // or when the program closed its output.
    bool ReadLine(std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits for the program to end; false on timeout. status receives the waitpid status.
    bool WaitExit(std::chrono::milliseconds timeout, int* status = nullptr);
    bool Running();
    // SIGTERM to its group, then SIGKILL when it does not end in time; reaps it.
    void Stop();

private:
    pid_t pid_ = -1;
    int outFd_ = -1;
    std::string buffer_;
    bool reaped_ = false;
};

class XvfbFixture {
public:
    // Displays :first to :last are tried in turn. Throws std::runtime_error when no server starts.
    explicit XvfbFixture(bool withWindowManager = false, int firstDisplay = 100, int lastDisplay = 119);
    ~XvfbFixture();
    XvfbFixture(const XvfbFixture&) = delete;
    XvfbFixture& operator=(const XvfbFixture&) = delete;

    // ":105"; also put in DISPLAY of this process while the fixture lives.
    const std::string& Display() const { return display_; }
    bool WithWindowManager() const { return wm_.Pid() > 0; }

    // Starts argv[0] (searched in PATH) with DISPLAY and the given NAME=value settings. Standard output is
    // captured, stderr discarded.
    XChild Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
    // Starts a desktop program (GTK and the like) the same way on every machine: a private home and runtime
    // folder, no session bus (so no running instance elsewhere takes the request), software rendering, no
    // accessibility bus, settings in memory, the C locale.
    XChild SpawnDesktopProgram(const std::vector<std::string>& argv);
    // Runs a program to its end (xdotool and the like); its exit status, or -1 on timeout.
    int Run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Starts openbox and waits until it manages the screen (its EWMH check window names itself).
    void StartWindowManager();
    // Ends the window manager in order (it gives its clients back to the root window).
    void StopWindowManager() { wm_.Stop(); }
    // Ends the window manager the hard way, leaving its properties behind on the root window.
    void KillWindowManager();

    // The path of the test window program built beside the tests.
    static std::string TestClientPath();

private:
    bool WaitForWindowManager(std::chrono::milliseconds timeout);

    std::string display_;
    std::string privateDir_; // home and runtime folder of desktop programs, made on first use
    std::string savedDisplay_;
    bool hadDisplay_ = false;
    XChild server_;
    XChild wm_;
};

// A test window program: one line per window with its id, then "ready" once every mapped window is
// on the screen.
struct XClientWindows {
    XChild child;
    std::vector<std::uint32_t> windows;
};
// Starts the test client with the given arguments (see x11client.cpp) and waits for it to be ready.
// Throws std::runtime_error when it does not come up.
XClientWindows StartTestClient(XvfbFixture& x, const std::vector<std::string>& args);

// Polls cond every 10 ms until it holds or the timeout passes.
template <typename Cond> bool WaitUntil(Cond cond, std::chrono::milliseconds timeout = std::chrono::seconds(5));

} // namespace vh::test

#include <thread>

template <typename Cond> bool vh::test::WaitUntil(Cond cond, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (cond())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
