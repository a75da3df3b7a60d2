#include "platform/linux/WaylandIdle.h"

#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/linux/wayland/ext-idle-notify-v1-client.h"
#include "platform/linux/wayland/kde-idle-client.h"

namespace vh::platform {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::minutes;

// A compositor that accepts the connection but never answers must not hold the tick for long.
constexpr int kAnswerTimeoutMs = 1000;
constexpr auto kRetryAfterFailure = std::chrono::seconds(30);

std::vector<milliseconds> DefaultTimeouts() {
    // Each is a timer in the compositor that every input restarts, so not too many. An away limit of one of
    // these minutes is seen at the first read after it passed, however rarely the idle time is read.
    std::vector<milliseconds> t{std::chrono::seconds(1)};
    for (const int m : {1, 2, 3, 5, 10, 15, 20, 30, 45, 60, 90, 120})
        t.push_back(minutes(m));
    return t;
}

} // namespace

struct WaylandIdle::Impl {
    struct Timeout {
        milliseconds after{0};
        ext_idle_notification_v1* ext = nullptr;
        org_kde_kwin_idle_timeout* kde = nullptr;
        bool idle = false;
        Clock::time_point seenIdle{}; // when its "idle" event was read
    };

    std::vector<milliseconds> afters;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* ext = nullptr;
    org_kde_kwin_idle* kde = nullptr;
    std::vector<std::unique_ptr<Timeout>> timeouts; // listeners hold their addresses
    std::string failure;
    bool noProtocol = false; // compositors do not gain protocols while they run
    Clock::time_point nextTry{};

    ~Impl() { Disconnect(); }

    static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
        auto* self = static_cast<Impl*>(data);
        // The first seat is the user's: compositors that offer more are rare, and none of them headless.
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat)
            self->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0 && !self->ext)
            self->ext = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
        else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0 && !self->kde)
            self->kde =
                static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
    }
    static void GlobalRemove(void*, wl_registry*, std::uint32_t) {}

    static void Idled(Timeout* t) {
        t->idle = true;
        t->seenIdle = Clock::now();
    }
    static void Resumed(Timeout* t) { t->idle = false; }
    static void ExtIdled(void* data, ext_idle_notification_v1*) { Idled(static_cast<Timeout*>(data)); }
    static void ExtResumed(void* data, ext_idle_notification_v1*) { Resumed(static_cast<Timeout*>(data)); }
    static void KdeIdle(void* data, org_kde_kwin_idle_timeout*) { Idled(static_cast<Timeout*>(data)); }
    static void KdeResumed(void* data, org_kde_kwin_idle_timeout*) { Resumed(static_cast<Timeout*>(data)); }

    // Dispatches what has come in, waiting at most waitMs for more. False when the connection broke.
    bool Pump(int waitMs) {
        while (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0)
                return false;
        }
        if (wl_display_flush(display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display);
            return false;
        }
        pollfd p{wl_display_get_fd(display), POLLIN, 0};
        if (::poll(&p, 1, waitMs) > 0) {
            if (wl_display_read_events(display) < 0)
                return false;
        } else {
            wl_display_cancel_read(display);
        }
        return wl_display_dispatch_pending(display) >= 0 && wl_display_get_error(display) == 0;
    }

    // wl_display_roundtrip with a deadline.
    bool Roundtrip() {
        bool done = false;
        static const wl_callback_listener listener{
            [](void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }};
        wl_callback* cb = wl_display_sync(display);
        wl_callback_add_listener(cb, &listener, &done);
        const auto deadline = Clock::now() + milliseconds(kAnswerTimeoutMs);
        bool alive = true;
        while (!done && alive) {
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                break;
            alive = Pump(static_cast<int>(left));
        }
        wl_callback_destroy(cb);
        return done && alive;
    }

    bool Connect() {
        if (noProtocol || Clock::now() < nextTry)
            return false;
        const char* name = std::getenv("WAYLAND_DISPLAY");
        if (!name || !*name) {
            failure = "there is no Wayland display ($WAYLAND_DISPLAY is not set)";
            return false;
        }
        display = wl_display_connect(nullptr);
        if (!display) {
            failure = std::string("the Wayland display ") + name + " cannot be reached";
            nextTry = Clock::now() + kRetryAfterFailure;
            return false;
        }
        static const wl_registry_listener registryListener{Global, GlobalRemove};
        registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &registryListener, this);
        if (!Roundtrip()) {
            Disconnect();
            failure = std::string("the Wayland compositor on ") + name + " does not answer";
            nextTry = Clock::now() + kRetryAfterFailure;
            return false;
        }
        if (!seat || (!ext && !kde)) {
            Disconnect();
            noProtocol = true;
            failure = "the compositor offers no idle protocol (ext-idle-notify-v1 or org_kde_kwin_idle)";
            return false;
        }
        static const ext_idle_notification_v1_listener extListener{ExtIdled, ExtResumed};
        static const org_kde_kwin_idle_timeout_listener kdeListener{KdeIdle, KdeResumed};
        for (const milliseconds after : afters) {
            auto t = std::make_unique<Timeout>();
            t->after = after;
            const auto ms = static_cast<std::uint32_t>(after.count());
            // The newer protocol where both are offered: the KDE one is deprecated.
            if (ext) {
                t->ext = ext_idle_notifier_v1_get_idle_notification(ext, ms, seat);
                ext_idle_notification_v1_add_listener(t->ext, &extListener, t.get());
            } else {
                t->kde = org_kde_kwin_idle_get_idle_timeout(kde, seat, ms);
                org_kde_kwin_idle_timeout_add_listener(t->kde, &kdeListener, t.get());
            }
            timeouts.push_back(std::move(t));
        }
        wl_display_flush(display);
        failure.clear();
        return true;
    }

    void Disconnect() {
        if (!display)
            return;
        for (auto& t : timeouts) {
            if (t->ext)
                ext_idle_notification_v1_destroy(t->ext);
            if (t->kde)
                org_kde_kwin_idle_timeout_release(t->kde);
        }
        timeouts.clear();
        if (ext)
            ext_idle_notifier_v1_destroy(ext);
        if (kde)
            org_kde_kwin_idle_destroy(kde);
        if (seat)
            wl_seat_destroy(seat);
        if (registry)
            wl_registry_destroy(registry);
        ext = nullptr;
        kde = nullptr;
        seat = nullptr;
        registry = nullptr;
        wl_display_disconnect(display);
        display = nullptr;
    }
};

WaylandIdle::WaylandIdle(std::vector<milliseconds> timeouts) : impl_(std::make_unique<Impl>()) {
    impl_->afters = timeouts.empty() ? DefaultTimeouts() : std::move(timeouts);
}

WaylandIdle::~WaylandIdle() = default;

PresenceSupport WaylandIdle::Support() {
    if (impl_->display || impl_->Connect())
        return {PresenceGap::None, {}};
    return {PresenceGap::NoIdleProtocol, impl_->failure};
}

std::optional<milliseconds> WaylandIdle::Idle() {
    Impl& d = *impl_;
    if (!d.display && !d.Connect())
        return std::nullopt;
    if (!d.Pump(0)) {
        // A restarted compositor: new timeouts start from now, so the idle time starts again from 0.
        d.Disconnect();
        d.failure = "the Wayland connection was lost";
        if (!d.Connect())
            return std::nullopt;
    }
    const auto now = Clock::now();
    milliseconds idle{0};
    for (const auto& t : d.timeouts) {
        if (t->idle)
            idle = std::max(idle, t->after + std::chrono::duration_cast<milliseconds>(now - t->seenIdle));
    }
    return idle;
}

std::string WaylandIdle::Protocol() const {
    if (impl_->ext)
        return "ext-idle-notify-v1";
    if (impl_->kde)
        return "org_kde_kwin_idle";
    return {};
}

} // namespace vh::platform
