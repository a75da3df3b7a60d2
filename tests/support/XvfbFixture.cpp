#include "support/XvfbFixture.h"
#include "support/ChildSetup.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace vh::test {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

// fork + exec with the given environment additions; the child dies with us, so no server outlives a
// crashed test. extraFd (if >= 0) is kept open in the child.
pid_t SpawnProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env, int outWrite,
                   int keepFd) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    BecomeTestChild(parent, outWrite, keepFd);
    for (const auto& e : env)
        putenv(const_cast<char*>(e.c_str()));
    execvp(args[0], args.data());
    _exit(127);
}

bool WindowManagerRunning(xcb_connection_t* c, xcb_window_t root) {
    const char* name = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* a =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(strlen(name)), name), nullptr);
    if (!a)
        return false;
    const xcb_atom_t check = a->atom;
    free(a);
    auto read = [&](xcb_window_t w) -> xcb_window_t {
        xcb_get_property_reply_t* r =
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
        xcb_window_t v = 0;
        if (r && xcb_get_property_value_length(r) >= 4)
            v = *static_cast<xcb_window_t*>(xcb_get_property_value(r));
        free(r);
        return v;
    };
    const xcb_window_t w = read(root);
    return w != 0 && read(w) == w;
}

} // namespace

XChild::XChild(XChild&& o) noexcept
    : pid_(o.pid_), outFd_(o.outFd_), buffer_(std::move(o.buffer_)), reaped_(o.reaped_) {
    o.pid_ = -1;
    o.outFd_ = -1;
}

XChild& XChild::operator=(XChild&& o) noexcept {
    if (this != &o) {
        Stop();
        pid_ = o.pid_;
        outFd_ = o.outFd_;
        buffer_ = std::move(o.buffer_);
        reaped_ = o.reaped_;
        o.pid_ = -1;
        o.outFd_ = -1;
    }
    return *this;
}

XChild::~XChild() {
    Stop();
}

bool XChild::ReadLine(std::string& line, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto nl = buffer_.find('\n');
        if (nl != std::string::npos) {
            line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            return true;
        }
        if (outFd_ < 0)
            return false;
        pollfd p{outFd_, POLLIN, 0};
        const int r = poll(&p, 1, RemainingMs(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        char buf[4096];
        const ssize_t n = read(outFd_, buf, sizeof buf);
        if (n <= 0) {
            close(outFd_);
            outFd_ = -1;
            continue;
        }
        buffer_.append(buf, static_cast<std::size_t>(n));
    }
}

bool XChild::WaitExit(std::chrono::milliseconds timeout, int* status) {
    if (pid_ <= 0 || reaped_)
        return true;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int st = 0;
        const pid_t r = waitpid(pid_, &st, WNOHANG);
        if (r == pid_ || (r < 0 && errno == ECHILD)) {
            reaped_ = true;
            if (status)
                *status = st;
            return true;
        }
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool XChild::Running() {
    return pid_ > 0 && !reaped_ && !WaitExit(std::chrono::milliseconds(0));
}

void XChild::Stop() {
    if (pid_ > 0 && !reaped_) {
        kill(-pid_, SIGTERM);
        kill(pid_, SIGTERM);
        if (!WaitExit(std::chrono::seconds(2))) {
            kill(-pid_, SIGKILL);
            kill(pid_, SIGKILL);
            WaitExit(std::chrono::seconds(5));
        }
    }
    if (pid_ > 0)
        kill(-pid_, SIGKILL); // whatever it left in its group
    if (outFd_ >= 0)
        close(outFd_);
    outFd_ = -1;
    pid_ = -1;
}

XvfbFixture::XvfbFixture(bool withWindowManager, int firstDisplay, int lastDisplay) {
    if (const char* d = std::getenv("DISPLAY")) {
        hadDisplay_ = true;
        savedDisplay_ = d;
    }
    // Parallel tests pick from the same range; start at a different place to collide less.
    const int span = lastDisplay - firstDisplay + 1;
    const int offset = static_cast<int>(getpid() % span);
    for (int i = 0; i < span && display_.empty(); ++i) {
        const int n = firstDisplay + (offset + i) % span;
        if (access(("/tmp/.X" + std::to_string(n) + "-lock").c_str(), F_OK) == 0)
            continue;
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        // -displayfd: the server writes its display number there once it accepts connections.
        const int childFd = fcntl(fds[1], F_DUPFD, 3);
        const std::string dpy = ":" + std::to_string(n);
        const pid_t pid = SpawnProcess({"Xvfb", dpy, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
                                        "-displayfd", std::to_string(childFd)},
                                       {}, -1, childFd);
        close(childFd);
        close(fds[1]);
        XChild server(pid, fds[0]);
        std::string line;
        if (server.ReadLine(line, std::chrono::seconds(15)) && line == std::to_string(n)) {
            server_ = std::move(server);
            display_ = dpy;
        }
    }
    if (display_.empty())
        throw std::runtime_error("no Xvfb could be started");
    setenv("DISPLAY", display_.c_str(), 1);
    if (withWindowManager)
        StartWindowManager();
}

XvfbFixture::~XvfbFixture() {
    wm_.Stop();
    server_.Stop();
    if (!privateDir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(privateDir_, ignored);
    }
    if (hadDisplay_)
        setenv("DISPLAY", savedDisplay_.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

XChild XvfbFixture::Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> all{"DISPLAY=" + display_};
    all.insert(all.end(), env.begin(), env.end());
    const pid_t pid = SpawnProcess(argv, all, fds[1], -1);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        throw std::runtime_error("fork failed");
    }
    return XChild(pid, fds[0]);
}

XChild XvfbFixture::SpawnDesktopProgram(const std::vector<std::string>& argv) {
    if (privateDir_.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "vh-desktop-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no private folder for desktop programs");
        privateDir_ = pattern;
        std::filesystem::create_directories(privateDir_ + "/home");
        std::filesystem::create_directories(privateDir_ + "/run");
        std::filesystem::permissions(privateDir_ + "/run", std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
    }
    return Spawn(argv,
                 {"HOME=" + privateDir_ + "/home", "XDG_RUNTIME_DIR=" + privateDir_ + "/run",
                  "XDG_CONFIG_HOME=" + privateDir_ + "/home/.config", "XDG_CACHE_HOME=" + privateDir_ + "/home/.cache",
                  "DBUS_SESSION_BUS_ADDRESS=unix:path=" + privateDir_ + "/run/no-bus", "GDK_BACKEND=x11",
                  "GSK_RENDERER=cairo", "LIBGL_ALWAYS_SOFTWARE=1", "NO_AT_BRIDGE=1", "GTK_A11Y=none",
                  "GSETTINGS_BACKEND=memory", "LC_ALL=C.UTF-8", "LANGUAGE="});
}

int XvfbFixture::Run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
    XChild c = Spawn(argv);
    int status = 0;
    if (!c.WaitExit(timeout, &status))
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void XvfbFixture::StartWindowManager() {
    wm_ = Spawn({"openbox", "--sm-disable"});
    if (!WaitForWindowManager(std::chrono::seconds(15))) {
        wm_.Stop();
        throw std::runtime_error("openbox did not come up");
    }
}

void XvfbFixture::KillWindowManager() {
    if (wm_.Pid() > 0) {
        kill(wm_.Pid(), SIGKILL);
        wm_.WaitExit(std::chrono::seconds(5));
        wm_.Stop();
    }
}

bool XvfbFixture::WaitForWindowManager(std::chrono::milliseconds timeout) {
    xcb_connection_t* c = xcb_connect(display_.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t root = screen->root;
    bool ok = WaitUntil([&] { return WindowManagerRunning(c, root); }, timeout);
    // openbox names its check window before it is done starting; a window mapped too early wedges it
    // (nothing is framed afterwards). Give it a moment, then ready means a probe window gets framed.
    if (ok) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const xcb_window_t probe = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, 0, nullptr);
        xcb_map_window(c, probe);
        xcb_flush(c);
        ok = WaitUntil(
            [&] {
                xcb_query_tree_reply_t* t = xcb_query_tree_reply(c, xcb_query_tree(c, probe), nullptr);
                const bool framed = t && t->parent != root;
                free(t);
                return framed;
            },
            timeout);
        xcb_destroy_window(c, probe);
        xcb_flush(c);
    }
    xcb_disconnect(c);
    return ok;
}

std::string XvfbFixture::TestClientPath() {
#ifdef VH_X11CLIENT_PATH
    return VH_X11CLIENT_PATH;
#else
    return "vh_x11client";
#endif
}

XClientWindows StartTestClient(XvfbFixture& x, const std::vector<std::string>& args) {
    std::vector<std::string> argv{XvfbFixture::TestClientPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    XClientWindows out;
    out.child = x.Spawn(argv);
    std::string line;
    while (out.child.ReadLine(line)) {
        if (line == "ready")
            return out;
        out.windows.push_back(static_cast<std::uint32_t>(std::stoul(line)));
    }
    throw std::runtime_error("the test client did not come up");
}

} // namespace vh::test
