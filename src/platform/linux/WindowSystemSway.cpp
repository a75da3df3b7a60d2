// The window system under sway: its IPC socket (i3's binary framing, JSON payloads). Wayland has no global
// stacking order; the focused window is the one in front, and the rest follow in the order of the tree's
// focus lists (most recently focused first), which is what a stacking order would show.
#include "platform/linux/WindowSystemSway.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include "platform/Text.h"
#include "platform/linux/Json.h"
#include "platform/linux/LockedScreen.h"
#include "platform/linux/ProcessLinux.h"
#include "platform/linux/WaylandIdle.h"

namespace vh::platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::size_t kHeaderBytes = sizeof kMagic + 8;
constexpr std::uint32_t kRunCommand = 0;
constexpr std::uint32_t kGetTree = 4;
// A tree of a few hundred windows is a few hundred KiB; anything near this is not a tree.
constexpr std::uint32_t kMaxReply = 64u * 1024u * 1024u;
// A compositor that stops answering must not hold the sampling tick for long.
constexpr auto kReplyTimeout = std::chrono::seconds(3);

// What a tick needs to know of one window, read from the tree.
struct SwayWindow {
    std::string name; // UTF-8 title
    std::uint32_t pid = 0;
    bool focused = false;
    bool visible = false;
    bool floating = false;
    bool xwayland = false;
    bool transient = false; // an X11 window transient for another
    std::string windowType; // X11 window type as sway names it ("normal", "menu", ...)
};

class SwayIpc {
public:
    explicit SwayIpc(std::string path) : path_(std::move(path)) {}
    ~SwayIpc() { Close(); }
    SwayIpc(const SwayIpc&) = delete;
    SwayIpc& operator=(const SwayIpc&) = delete;

    void Connect() {
        Close();
        sockaddr_un addr{};
        if (path_.empty() || path_.size() >= sizeof addr.sun_path)
            throw std::runtime_error("no sway socket");
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            throw std::runtime_error("socket failed");
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path_.data(), path_.size());
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
            Close();
            throw std::runtime_error("cannot connect to sway");
        }
    }

    // One request and its reply. A broken or silent connection is closed (the next call reconnects) and
    // reported by an exception, like a lost X server.
    std::string Request(std::uint32_t type, std::string_view payload) {
        if (fd_ < 0)
            Connect();
        try {
            std::string msg(kMagic, sizeof kMagic);
            AppendU32(msg, static_cast<std::uint32_t>(payload.size()));
            AppendU32(msg, type);
            msg.append(payload);
            WriteAll(msg);
            for (;;) {
                std::string header = ReadExactly(kHeaderBytes);
                if (std::memcmp(header.data(), kMagic, sizeof kMagic) != 0)
                    throw std::runtime_error("not the i3 IPC");
                std::uint32_t length = 0, replyType = 0;
                std::memcpy(&length, header.data() + sizeof kMagic, 4);
                std::memcpy(&replyType, header.data() + sizeof kMagic + 4, 4);
                if (length > kMaxReply)
                    throw std::runtime_error("sway reply too large");
                std::string body = ReadExactly(length);
                // Events (high bit) are never subscribed to; pass over any that come anyway.
                if (replyType == type)
                    return body;
            }
        } catch (...) {
            Close();
            throw;
        }
    }

private:
    static void AppendU32(std::string& s, std::uint32_t v) {
        char b[4];
        std::memcpy(b, &v, 4); // the protocol uses the machine's byte order
        s.append(b, 4);
    }

    void WriteAll(const std::string& s) {
        std::size_t done = 0;
        while (done < s.size()) {
            const ssize_t n = ::send(fd_, s.data() + done, s.size() - done, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw std::runtime_error("sway connection lost");
            done += static_cast<std::size_t>(n);
        }
    }

    std::string ReadExactly(std::size_t count) {
        std::string out;
        out.resize(count);
        std::size_t done = 0;
        const auto deadline = Clock::now() + kReplyTimeout;
        while (done < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                throw std::runtime_error("sway does not answer");
            pollfd p{fd_, POLLIN, 0};
            const int r = ::poll(&p, 1, static_cast<int>(left));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                throw std::runtime_error("sway does not answer");
            const ssize_t n = ::recv(fd_, out.data() + done, count - done, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw std::runtime_error("sway connection lost");
            done += static_cast<std::size_t>(n);
        }
        return out;
    }

    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    std::string path_;
    int fd_ = -1;
};

// A RUN_COMMAND reply: one result per command, each with its success.
bool Succeeded(const std::string& reply) {
    const auto result = json::Parse(reply);
    if (!result || result->kind != json::Value::Kind::Array || result->array.empty())
        return false;
    for (const auto& r : result->array) {
        if (!r.BoolAt("success"))
            return false;
    }
    return true;
}

// Whether node, or a node below it, is the X11 window xid.
bool HoldsWindow(const json::Value& node, std::uint64_t xid) {
    if (const auto w = node.IntegerAt("window"); w && static_cast<std::uint64_t>(*w) == xid)
        return true;
    for (const char* list : {"nodes", "floating_nodes"}) {
        if (const json::Value* v = node.Find(list); v && v->kind == json::Value::Kind::Array) {
            for (const auto& c : v->array) {
                if (HoldsWindow(c, xid))
                    return true;
            }
        }
    }
    return false;
}

// The X11 window types sway reports that Windows would show as popups the user cannot switch to.
bool PopupType(const std::string& t) {
    return t == "menu" || t == "dropdown_menu" || t == "popup_menu" || t == "tooltip" || t == "notification" ||
           t == "splash" || t == "dnd" || t == "dock" || t == "desktop" || t == "combo";
}

class SwayWindowSystem final : public WindowSystem {
public:
    explicit SwayWindowSystem(std::string socketPath) : ipc_(std::move(socketPath)) { ipc_.Connect(); }

    void EnumTopWindows(const std::function<bool(WindowId)>& visit) override {
        Refresh();
        for (const WindowId w : order_) {
            if (!visit(w))
                break;
        }
    }

    bool HasOwner(WindowId w) override { return Find(w).transient; }
    bool IsVisible(WindowId w) override { return Find(w).visible; }

    WindowStyle GetStyle(WindowId w) override {
        const SwayWindow& win = Find(w);
        bool popup = false;
        if (win.xwayland)
            popup = PopupType(win.windowType);
        else
            // Our own dialogs as Wayland clients (when no XWayland is there for them) come up floating; our main
            // window is tiled. Other programs' floating windows are ordinary application windows.
            popup = win.floating && win.pid == static_cast<std::uint32_t>(::getpid());
        return WindowStyle::PopupOrApplication(popup);
    }

    std::string GetCaption(WindowId w, std::size_t maxBytes) override {
        return text::CutBytesWhole(text::Utf8ToGbk(Find(w).name), maxBytes);
    }

    std::uint32_t GetProcessId(WindowId w) override { return Find(w).pid; }

    std::vector<ProcessEntry> SnapshotProcesses() override { return LinuxProcessSnapshot(); }

    bool RequestClose(WindowId w, std::chrono::milliseconds timeout) override {
        Refresh();
        if (!windows_.count(w))
            return false;
        // The counterpart of WM_CLOSE: sway asks the client to close (xdg_toplevel close, WM_DELETE_WINDOW).
        if (!Succeeded(ipc_.Request(kRunCommand, "[con_id=" + std::to_string(w) + "] kill")))
            return false;
        return WaitUntilGone(
            [&] {
                Refresh();
                return !windows_.count(w);
            },
            timeout, std::chrono::milliseconds(20));
    }

    std::optional<ProcessIdentity> IdentifyProcess(std::uint32_t pid) override { return LinuxProcessIdentity(pid); }
    bool TerminateProcess(std::uint32_t pid) override { return LinuxTerminateProcess(pid); }
    bool TerminateIdentified(std::uint32_t pid, const std::function<bool(const ProcessIdentity&)>& isTarget) override {
        return LinuxTerminateIdentified(pid, isTarget);
    }

    // The i3 IPC tells nothing of input: the compositor's idle protocol does.
    PresenceSupport Presence() override { return idle_.Support(); }
    std::optional<UserPresence> ReadPresence() override { return PresenceOf(idle_.Idle(), lock_.Locked()); }

private:
    const SwayWindow& Find(WindowId w) {
        auto it = windows_.find(w);
        if (it == windows_.end()) {
            Refresh();
            it = windows_.find(w);
        }
        static const SwayWindow none;
        return it == windows_.end() ? none : it->second;
    }

    void Refresh() {
        const auto tree = json::Parse(ipc_.Request(kGetTree, ""));
        if (!tree)
            throw std::runtime_error("sway sent no tree");
        windows_.clear();
        order_.clear();
        WindowId focused = 0;
        Walk(*tree, false, focused);
        if (focused != 0) {
            for (std::size_t i = 0; i < order_.size(); ++i) {
                if (order_[i] == focused) {
                    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(i));
                    break;
                }
            }
            order_.insert(order_.begin(), focused);
        }
    }

    // Depth first, children in the order of the node's focus list, those it does not name after them.
    void Walk(const json::Value& node, bool floating, WindowId& focused) {
        const auto id = node.IntegerAt("id");
        const std::string type = node.StringAt("type");
        const bool isFloating = floating || type == "floating_con";
        const auto pid = node.IntegerAt("pid");
        if (id && *id > 0 && pid && (type == "con" || type == "floating_con")) {
            SwayWindow w;
            w.name = node.StringAt("name");
            w.pid = *pid > 0 && *pid <= UINT32_MAX ? static_cast<std::uint32_t>(*pid) : 0;
            w.focused = node.BoolAt("focused");
            w.visible = node.BoolAt("visible");
            w.floating = isFloating;
            w.xwayland = node.StringAt("shell") == "xwayland";
            if (const json::Value* props = node.Find("window_properties")) {
                if (const auto owner = props->IntegerAt("transient_for"))
                    w.transient = *owner != 0;
                w.windowType = props->StringAt("window_type");
            }
            const auto wid = static_cast<WindowId>(*id);
            if (windows_.emplace(wid, std::move(w)).second) {
                order_.push_back(wid);
                if (node.BoolAt("focused"))
                    focused = wid;
            }
        }

        std::vector<const json::Value*> children;
        for (const char* list : {"nodes", "floating_nodes"}) {
            if (const json::Value* v = node.Find(list); v && v->kind == json::Value::Kind::Array) {
                for (const auto& c : v->array)
                    children.push_back(&c);
            }
        }
        std::vector<bool> done(children.size(), false);
        if (const json::Value* focus = node.Find("focus"); focus && focus->kind == json::Value::Kind::Array) {
            for (const auto& f : focus->array) {
                if (f.kind != json::Value::Kind::Number)
                    continue;
                for (std::size_t i = 0; i < children.size(); ++i) {
                    const auto cid = children[i]->IntegerAt("id");
                    if (!done[i] && cid && static_cast<double>(*cid) == f.number) {
                        done[i] = true;
                        Walk(*children[i], isFloating, focused);
                        break;
                    }
                }
            }
        }
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (!done[i])
                Walk(*children[i], isFloating, focused);
        }
    }

    SwayIpc ipc_;
    WaylandIdle idle_;
    LockedScreen lock_{false};
    std::unordered_map<WindowId, SwayWindow> windows_;
    std::vector<WindowId> order_;
};

} // namespace

std::unique_ptr<WindowSystem> CreateSwayWindowSystem(const std::string& socketPath) {
    return std::make_unique<SwayWindowSystem>(socketPath);
}

bool RunSwayCommand(const std::string& socketPath, const std::string& command) {
    SwayIpc ipc(socketPath);
    return Succeeded(ipc.Request(kRunCommand, command));
}

bool SwayScratchpadHolds(const std::string& socketPath, std::uint64_t xid) {
    SwayIpc ipc(socketPath);
    const auto tree = json::Parse(ipc.Request(kGetTree, ""));
    if (!tree)
        return false;
    // The scratchpad is the hidden workspace "__i3_scratch".
    bool held = false;
    const std::function<void(const json::Value&)> walk = [&](const json::Value& node) {
        if (node.StringAt("type") == "workspace") {
            held = held || (node.StringAt("name") == "__i3_scratch" && HoldsWindow(node, xid));
            return;
        }
        if (const json::Value* v = node.Find("nodes"); v && v->kind == json::Value::Kind::Array) {
            for (const auto& c : v->array)
                walk(c);
        }
    };
    walk(*tree);
    return held;
}

} // namespace vh::platform
