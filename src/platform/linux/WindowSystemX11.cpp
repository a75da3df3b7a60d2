// The window system on Linux: an X11 server through xcb, with EWMH for the stacking order, XRes for the
// process of a window, the screen saver extension for the user's idle time, and /proc for the process list. Xlib is
// used only to decode COMPOUND_TEXT titles.
#include "platform/linux/WindowSystemX11.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>
// Xlib's None would hide PresenceGap::None; nothing here uses it.
#undef None

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <thread>

#include "platform/Text.h"
#include "platform/linux/LockedScreen.h"
#include "platform/linux/ProcessLinux.h"

namespace vh::platform {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

enum AtomIndex {
    kNetSupportingWmCheck,
    kNetClientListStacking,
    kNetWmName,
    kUtf8String,
    kCompoundText,
    kNetWmPid,
    kNetWmWindowType,
    kNetCloseWindow,
    kWmProtocols,
    kWmDeleteWindow,
    // Window types: popup surfaces first, then the types of application windows.
    kTypeSplash,
    kTypeTooltip,
    kTypeNotification,
    kTypeMenu,
    kTypeDock,
    kTypeDesktop,
    kTypeDropdownMenu,
    kTypePopupMenu,
    kTypeCombo,
    kTypeDnd,
    kTypeNormal,
    kTypeDialog,
    kTypeUtility,
    kTypeToolbar,
    kAtomCount
};
constexpr int kFirstPopupType = kTypeSplash;
constexpr int kFirstApplicationType = kTypeNormal;

constexpr const char* kAtomNames[kAtomCount] = {
    "_NET_SUPPORTING_WM_CHECK",
    "_NET_CLIENT_LIST_STACKING",
    "_NET_WM_NAME",
    "UTF8_STRING",
    "COMPOUND_TEXT",
    "_NET_WM_PID",
    "_NET_WM_WINDOW_TYPE",
    "_NET_CLOSE_WINDOW",
    "WM_PROTOCOLS",
    "WM_DELETE_WINDOW",
    "_NET_WM_WINDOW_TYPE_SPLASH",
    "_NET_WM_WINDOW_TYPE_TOOLTIP",
    "_NET_WM_WINDOW_TYPE_NOTIFICATION",
    "_NET_WM_WINDOW_TYPE_MENU",
    "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
    "_NET_WM_WINDOW_TYPE_POPUP_MENU",
    "_NET_WM_WINDOW_TYPE_COMBO",
    "_NET_WM_WINDOW_TYPE_DND",
    "_NET_WM_WINDOW_TYPE_NORMAL",
    "_NET_WM_WINDOW_TYPE_DIALOG",
    "_NET_WM_WINDOW_TYPE_UTILITY",
    "_NET_WM_WINDOW_TYPE_TOOLBAR",
};

// One property value as the server returned it.
struct Property {
    xcb_atom_t type = XCB_ATOM_NONE;
    std::uint8_t format = 0;
    std::string bytes;

    bool Present() const { return type != XCB_ATOM_NONE; }
    std::size_t Count32() const { return format == 32 ? bytes.size() / 4 : 0; }
    std::uint32_t Item32(std::size_t i) const {
        std::uint32_t v;
        std::memcpy(&v, bytes.data() + i * 4, 4);
        return v;
    }
};

std::string Latin1ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (unsigned char c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

class X11WindowSystem final : public WindowSystem {
public:
    explicit X11WindowSystem(std::string displayName) : displayName_(std::move(displayName)) { Connect(); }

    ~X11WindowSystem() override { Disconnect(); }

    void EnumTopWindows(const std::function<bool(WindowId)>& visit) override {
        EnsureConnected();
        DrainEvents();
        for (const WindowId w : TopWindows()) {
            if (!visit(w))
                break;
        }
    }

    bool HasOwner(WindowId w) override {
        const Property p = GetProperty(Id(w), XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 1);
        if (p.Count32() < 1)
            return false;
        const xcb_window_t owner = p.Item32(0);
        // Transient for the root (or nothing) marks a window of a group, not one with an owner.
        if (owner == XCB_WINDOW_NONE || owner == root_ || owner == Id(w))
            return false;
        Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c_, xcb_get_geometry(c_, owner), nullptr));
        CheckConnection();
        return g != nullptr;
    }

    bool IsVisible(WindowId w) override {
        Reply<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, Id(w)), nullptr));
        CheckConnection();
        return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    WindowStyle GetStyle(WindowId w) override {
        const xcb_window_t id = Id(w);
        const auto attrCookie = xcb_get_window_attributes(c_, id);
        const auto typeCookie = RequestProperty(id, atoms_[kNetWmWindowType], XCB_ATOM_ATOM, 32);
        Reply<xcb_get_window_attributes_reply_t> attr(xcb_get_window_attributes_reply(c_, attrCookie, nullptr));
        const Property types = TakeProperty(typeCookie);
        CheckConnection();

        // The first window type we know decides, as EWMH asks of window managers.
        bool popupType = false;
        for (std::size_t i = 0; i < types.Count32(); ++i) {
            const int known = AtomIndexOf(types.Item32(i), kFirstPopupType, kAtomCount);
            if (known >= 0) {
                popupType = known < kFirstApplicationType;
                break;
            }
        }

        // What Windows calls a popup without minimise box and system menu is a surface the user can neither
        // minimise nor switch to: menus, tooltips, splash screens and the like. Decorations say nothing here:
        // programs that draw their own title bar ask for none and are still application windows.
        const bool popup = (attr && attr->override_redirect) || popupType;
        return WindowStyle::PopupOrApplication(popup);
    }

    std::string GetCaption(WindowId w, std::size_t maxBytes) override {
        const xcb_window_t id = Id(w);
        // A GBK byte never needs more than four UTF-8 bytes, so this much text is enough.
        const std::uint32_t words = static_cast<std::uint32_t>(std::min<std::size_t>(maxBytes, 16384) + 4);
        const auto netCookie = RequestProperty(id, atoms_[kNetWmName], atoms_[kUtf8String], words);
        const auto wmCookie = RequestProperty(id, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, words);
        const Property net = TakeProperty(netCookie);
        const Property wm = TakeProperty(wmCookie);
        CheckConnection();

        std::string utf8;
        if (net.Present() && net.format == 8)
            utf8 = net.bytes;
        else if (wm.Present() && wm.format == 8)
            utf8 = WmNameToUtf8(wm);
        // The system gives whole characters only: a half character would be stored as a broken byte.
        return text::CutBytesWhole(text::Utf8ToGbk(utf8), maxBytes);
    }

    std::uint32_t GetProcessId(WindowId w) override {
        const xcb_window_t id = Id(w);
        if (hasRes_) {
            xcb_res_client_id_spec_t wanted{id, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            Reply<xcb_res_query_client_ids_reply_t> r(
                xcb_res_query_client_ids_reply(c_, xcb_res_query_client_ids(c_, 1, &wanted), nullptr));
            CheckConnection();
            if (r) {
                for (auto it = xcb_res_query_client_ids_ids_iterator(r.get()); it.rem;
                     xcb_res_client_id_value_next(&it)) {
                    if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                        xcb_res_client_id_value_value_length(it.data) >= 1) {
                        const std::uint32_t pid = *xcb_res_client_id_value_value(it.data);
                        if (pid != 0)
                            return pid;
                    }
                }
            }
        }
        const Property p = GetProperty(id, atoms_[kNetWmPid], XCB_ATOM_CARDINAL, 1);
        return p.Count32() >= 1 ? p.Item32(0) : 0;
    }

    std::vector<ProcessEntry> SnapshotProcesses() override { return LinuxProcessSnapshot(); }

    bool RequestClose(WindowId w, std::chrono::milliseconds timeout) override {
        EnsureConnected();
        const xcb_window_t id = Id(w);
        if (Gone(id))
            return false;
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = id;
        if (WindowManagerCheck() != XCB_WINDOW_NONE) {
            ev.type = atoms_[kNetCloseWindow];
            ev.data.data32[0] = XCB_CURRENT_TIME;
            ev.data.data32[1] = 2; // on behalf of the user, like a pager
            SendChecked(root_, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT, ev);
        } else if (SupportsDelete(id)) {
            ev.type = atoms_[kWmProtocols];
            ev.data.data32[0] = atoms_[kWmDeleteWindow];
            ev.data.data32[1] = XCB_CURRENT_TIME;
            SendChecked(id, XCB_EVENT_MASK_NO_EVENT, ev);
        } else {
            // What window managers do to a client that cannot be asked.
            CheckAndFree(xcb_kill_client_checked(c_, id));
        }
        CheckConnection();

        return WaitUntilGone([&] { return Gone(id); }, timeout, std::chrono::milliseconds(10));
    }

    std::optional<ProcessIdentity> IdentifyProcess(std::uint32_t pid) override { return LinuxProcessIdentity(pid); }

    bool TerminateProcess(std::uint32_t pid) override { return LinuxTerminateProcess(pid); }

    PresenceSupport Presence() override {
        try {
            EnsureConnected();
        } catch (const std::exception&) {
            return {PresenceGap::NoIdleProtocol, "the X display cannot be reached"};
        }
        if (!hasScreenSaver_)
            return {PresenceGap::NoIdleProtocol, "the X server has no MIT-SCREEN-SAVER extension"};
        return {PresenceGap::None, {}};
    }

    // The server counts the input of every device, XTEST's included, whichever client it goes to.
    std::optional<UserPresence> ReadPresence() override {
        std::optional<std::chrono::milliseconds> idle;
        try {
            EnsureConnected();
            if (hasScreenSaver_) {
                Reply<xcb_screensaver_query_info_reply_t> info(
                    xcb_screensaver_query_info_reply(c_, xcb_screensaver_query_info(c_, root_), nullptr));
                CheckConnection();
                if (info)
                    idle = std::chrono::milliseconds(info->ms_since_user_input);
            }
        } catch (const std::exception&) {
        }
        return PresenceOf(idle, lock_.Locked());
    }

    bool TerminateIdentified(std::uint32_t pid, const std::function<bool(const ProcessIdentity&)>& isTarget) override {
        return LinuxTerminateIdentified(pid, isTarget);
    }

private:
    static xcb_window_t Id(WindowId w) { return static_cast<xcb_window_t>(w); }

    void CheckAndFree(xcb_void_cookie_t cookie) { std::free(xcb_request_check(c_, cookie)); }

    void Connect() {
        int screenNo = 0;
        c_ = xcb_connect(displayName_.empty() ? nullptr : displayName_.c_str(), &screenNo);
        if (!c_ || xcb_connection_has_error(c_)) {
            if (c_)
                xcb_disconnect(c_);
            c_ = nullptr;
            throw std::runtime_error("cannot connect to the X display");
        }
        auto it = xcb_setup_roots_iterator(xcb_get_setup(c_));
        for (int i = 0; i < screenNo && it.rem; ++i)
            xcb_screen_next(&it);
        if (!it.rem) {
            Disconnect();
            throw std::runtime_error("the X display has no such screen");
        }
        root_ = it.data->root;

        xcb_intern_atom_cookie_t cookies[kAtomCount];
        for (int i = 0; i < kAtomCount; ++i)
            cookies[i] = xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(kAtomNames[i])), kAtomNames[i]);
        for (int i = 0; i < kAtomCount; ++i) {
            Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c_, cookies[i], nullptr));
            atoms_[i] = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
        }

        hasRes_ = false;
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c_, &xcb_res_id);
        if (ext && ext->present) {
            Reply<xcb_res_query_version_reply_t> v(
                xcb_res_query_version_reply(c_, xcb_res_query_version(c_, 1, 2), nullptr));
            hasRes_ = v && (v->server_major > 1 || (v->server_major == 1 && v->server_minor >= 2));
        }
        const xcb_query_extension_reply_t* saver = xcb_get_extension_data(c_, &xcb_screensaver_id);
        hasScreenSaver_ = saver && saver->present;
        if (xcb_connection_has_error(c_)) {
            Disconnect();
            throw std::runtime_error("the X connection was lost");
        }
    }

    void Disconnect() {
        if (xlib_) {
            // Closing a display whose server has gone would end the process in Xlib's error handler.
            if (c_ && !xcb_connection_has_error(c_))
                XCloseDisplay(xlib_);
            xlib_ = nullptr;
        }
        if (c_)
            xcb_disconnect(c_);
        c_ = nullptr;
    }

    // A lost server (restarted or gone) is met once per tick with one attempt to reconnect.
    void EnsureConnected() {
        if (c_ && !xcb_connection_has_error(c_))
            return;
        Disconnect();
        Connect();
    }

    void CheckConnection() const {
        if (!c_ || xcb_connection_has_error(c_))
            throw std::runtime_error("the X connection was lost");
    }

    // Errors of requests whose replies nobody waits for land in the event queue; do not let them pile up.
    void DrainEvents() {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_))
            std::free(e);
    }

    xcb_get_property_cookie_t RequestProperty(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type, std::uint32_t words) {
        return xcb_get_property(c_, 0, w, prop, type, 0, words);
    }

    // Absent when the window or the property does not exist or has another type.
    Property TakeProperty(xcb_get_property_cookie_t cookie) {
        Property p;
        Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(c_, cookie, nullptr));
        if (!r || r->type == XCB_ATOM_NONE)
            return p;
        const int len = xcb_get_property_value_length(r.get());
        if (len < 0)
            return p;
        p.type = r->type;
        p.format = r->format;
        p.bytes.assign(static_cast<const char*>(xcb_get_property_value(r.get())), static_cast<std::size_t>(len));
        return p;
    }

    Property GetProperty(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type, std::uint32_t words) {
        Property p = TakeProperty(RequestProperty(w, prop, type, words));
        CheckConnection();
        return p;
    }

    int AtomIndexOf(xcb_atom_t a, int from, int to) const {
        for (int i = from; i < to; ++i) {
            if (atoms_[i] != XCB_ATOM_NONE && atoms_[i] == a)
                return i;
        }
        return -1;
    }

    // The window of a running EWMH window manager, or none. A manager that died leaves its check
    // property and its lists behind, so the check window must exist and name itself.
    xcb_window_t WindowManagerCheck() {
        const Property p = GetProperty(root_, atoms_[kNetSupportingWmCheck], XCB_ATOM_WINDOW, 1);
        if (p.Count32() < 1 || p.Item32(0) == XCB_WINDOW_NONE)
            return XCB_WINDOW_NONE;
        const xcb_window_t check = p.Item32(0);
        const Property self = GetProperty(check, atoms_[kNetSupportingWmCheck], XCB_ATOM_WINDOW, 1);
        return (self.Count32() >= 1 && self.Item32(0) == check) ? check : xcb_window_t{XCB_WINDOW_NONE};
    }

    // Top-level windows from the top of the stack down. Under a window manager these are its clients
    // (not the frames it puts around them); without one, the children of the root.
    std::vector<WindowId> TopWindows() {
        std::vector<WindowId> out;
        if (WindowManagerCheck() != XCB_WINDOW_NONE) {
            const Property list = GetProperty(root_, atoms_[kNetClientListStacking], XCB_ATOM_WINDOW, 65536);
            if (list.Present()) {
                for (std::size_t i = list.Count32(); i-- > 0;)
                    out.push_back(list.Item32(i));
                return out;
            }
        }
        Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr));
        CheckConnection();
        if (!tree)
            return out;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = xcb_query_tree_children_length(tree.get()); i-- > 0;)
            out.push_back(children[i]);
        return out;
    }

    std::string WmNameToUtf8(const Property& p) {
        if (p.type == XCB_ATOM_STRING)
            return Latin1ToUtf8(p.bytes);
        if (p.type == atoms_[kUtf8String])
            return p.bytes;
        // COMPOUND_TEXT and locale encodings: only Xlib knows how to decode them.
        if (!xlib_) {
            xlib_ = XOpenDisplay(displayName_.empty() ? nullptr : displayName_.c_str());
            if (!xlib_)
                return {};
        }
        XTextProperty tp{};
        tp.value = reinterpret_cast<unsigned char*>(const_cast<char*>(p.bytes.data()));
        tp.encoding = p.type;
        tp.format = 8;
        tp.nitems = p.bytes.size();
        char** list = nullptr;
        int count = 0;
        std::string out;
        // A positive result counts characters that could not be converted; the rest is still text.
        if (Xutf8TextPropertyToTextList(xlib_, &tp, &list, &count) >= 0 && list) {
            for (int i = 0; i < count; ++i)
                out += list[i];
        }
        if (list)
            XFreeStringList(list);
        return out;
    }

    bool SupportsDelete(xcb_window_t w) {
        const Property p = GetProperty(w, atoms_[kWmProtocols], XCB_ATOM_ATOM, 64);
        for (std::size_t i = 0; i < p.Count32(); ++i) {
            if (p.Item32(i) == atoms_[kWmDeleteWindow])
                return true;
        }
        return false;
    }

    void SendChecked(xcb_window_t dest, std::uint32_t mask, const xcb_client_message_event_t& ev) {
        CheckAndFree(xcb_send_event_checked(c_, 0, dest, mask, reinterpret_cast<const char*>(&ev)));
    }

    // Destroyed or taken off the screen: either way the close request was handled.
    bool Gone(xcb_window_t w) {
        Reply<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr));
        CheckConnection();
        return !a || a->map_state != XCB_MAP_STATE_VIEWABLE;
    }

    std::string displayName_;
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_atom_t atoms_[kAtomCount] = {};
    bool hasRes_ = false;
    bool hasScreenSaver_ = false;
    Display* xlib_ = nullptr;
    LockedScreen lock_{false};
};

} // namespace

std::unique_ptr<WindowSystem> CreateX11WindowSystem(const std::string& displayName) {
    return std::make_unique<X11WindowSystem>(displayName);
}

} // namespace vh::platform
