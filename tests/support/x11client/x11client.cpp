// A small X client for the tests: opens the windows its arguments describe, prints one line per window
// with its id, then "ready" once every mapped window is on the screen, and closes a window when asked
// (WM_DELETE_WINDOW). It ends when its last window is gone.
//
//   vh_x11client [--ignore-close] --window [options] [--window [options]] ...
//   window options:
//     --title T          _NET_WM_NAME (UTF-8) and WM_NAME
//     --wm-name-only     no _NET_WM_NAME: WM_NAME only, as UTF8_STRING
//     --latin1           WM_NAME only, as STRING (T is converted from UTF-8 to Latin-1)
//     --compound         WM_NAME only, as COMPOUND_TEXT (GB 2312 in the right half)
//     --transient-for N  WM_TRANSIENT_FOR the N-th window of this client (0-based)
//     --override         override-redirect
//     --type T[,T...]    _NET_WM_WINDOW_TYPE_T (SPLASH, TOOLTIP, DIALOG, ...), a list in the given order
//     --borderless       _MOTIF_WM_HINTS asking for no decorations, as programs drawing their own title bar do
//     --unmapped         never mapped
//     --no-pid           no _NET_WM_PID
//     --at X,Y           position (default 50,50)
#include <iconv.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

struct WindowSpec {
    std::string title = "vh test window";
    bool wmNameOnly = false, latin1 = false, compound = false;
    int transientFor = -1;
    bool overrideRedirect = false;
    std::string type;
    bool borderless = false;
    bool unmapped = false;
    bool noPid = false;
    int x = 50, y = 50;
};

xcb_connection_t* c;

xcb_atom_t Atom(const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    free(r);
    return a;
}

std::string Convert(const std::string& in, const char* to) {
    iconv_t cd = iconv_open(to, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return in;
    std::string out(in.size() * 4 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

void SetProperty(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type, int format, const void* data, std::size_t count) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, prop, type, static_cast<std::uint8_t>(format),
                        static_cast<std::uint32_t>(count), data);
}

bool ParseArgs(int argc, char** argv, bool& ignoreClose, std::vector<WindowSpec>& specs) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                fprintf(stderr, "missing value after %s\n", a.c_str());
                exit(2);
            }
            return argv[++i];
        };
        if (a == "--ignore-close") {
            ignoreClose = true;
            continue;
        }
        if (a == "--window") {
            specs.emplace_back();
            continue;
        }
        if (specs.empty()) {
            fprintf(stderr, "%s before --window\n", a.c_str());
            return false;
        }
        WindowSpec& s = specs.back();
        if (a == "--title")
            s.title = value();
        else if (a == "--wm-name-only")
            s.wmNameOnly = true;
        else if (a == "--latin1")
            s.latin1 = true;
        else if (a == "--compound")
            s.compound = true;
        else if (a == "--transient-for")
            s.transientFor = std::atoi(value().c_str());
        else if (a == "--override")
            s.overrideRedirect = true;
        else if (a == "--type")
            s.type = value();
        else if (a == "--borderless")
            s.borderless = true;
        else if (a == "--unmapped")
            s.unmapped = true;
        else if (a == "--no-pid")
            s.noPid = true;
        else if (a == "--at") {
            if (sscanf(value().c_str(), "%d,%d", &s.x, &s.y) != 2)
                return false;
        } else {
            fprintf(stderr, "unknown option %s\n", a.c_str());
            return false;
        }
    }
    return !specs.empty();
}

} // namespace

int main(int argc, char** argv) {
    bool ignoreClose = false;
    std::vector<WindowSpec> specs;
    if (!ParseArgs(argc, argv, ignoreClose, specs))
        return 2;

    int screenNo = 0;
    c = xcb_connect(nullptr, &screenNo);
    if (xcb_connection_has_error(c))
        return 3;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;

    const xcb_atom_t netWmName = Atom("_NET_WM_NAME"), utf8 = Atom("UTF8_STRING"), compound = Atom("COMPOUND_TEXT");
    const xcb_atom_t netWmPid = Atom("_NET_WM_PID"), motifHints = Atom("_MOTIF_WM_HINTS");
    const xcb_atom_t windowType = Atom("_NET_WM_WINDOW_TYPE");
    const xcb_atom_t protocols = Atom("WM_PROTOCOLS"), deleteWindow = Atom("WM_DELETE_WINDOW");
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());

    std::vector<xcb_window_t> windows;
    std::set<xcb_window_t> waitingForMap, alive;
    for (const WindowSpec& s : specs) {
        const xcb_window_t w = xcb_generate_id(c);
        const std::uint32_t values[] = {screen->white_pixel, s.overrideRedirect ? 1u : 0u,
                                        XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, static_cast<std::int16_t>(s.x),
                          static_cast<std::int16_t>(s.y), 320, 200, 1, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK,
                          values);
        if (s.latin1) {
            const std::string l1 = Convert(s.title, "ISO-8859-1");
            SetProperty(w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, l1.data(), l1.size());
        } else if (s.compound) {
            // Compound text: ASCII on the left, GB 2312 designated to the right half.
            const std::string ct = "\x1b$)A" + Convert(s.title, "GB2312");
            SetProperty(w, XCB_ATOM_WM_NAME, compound, 8, ct.data(), ct.size());
        } else {
            SetProperty(w, XCB_ATOM_WM_NAME, utf8, 8, s.title.data(), s.title.size());
            if (!s.wmNameOnly)
                SetProperty(w, netWmName, utf8, 8, s.title.data(), s.title.size());
        }
        if (!s.noPid)
            SetProperty(w, netWmPid, XCB_ATOM_CARDINAL, 32, &pid, 1);
        if (s.transientFor >= 0 && static_cast<std::size_t>(s.transientFor) < windows.size())
            SetProperty(w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, &windows[s.transientFor], 1);
        if (!s.type.empty()) {
            std::vector<xcb_atom_t> types;
            for (std::size_t from = 0; from <= s.type.size();) {
                const std::size_t comma = std::min(s.type.find(',', from), s.type.size());
                types.push_back(Atom(("_NET_WM_WINDOW_TYPE_" + s.type.substr(from, comma - from)).c_str()));
                from = comma + 1;
            }
            SetProperty(w, windowType, XCB_ATOM_ATOM, 32, types.data(), types.size());
        }
        if (s.borderless) {
            // Flags: decorations only; functions all, decorations none.
            const std::uint32_t hints[5] = {2, 1, 0, 0, 0};
            SetProperty(w, motifHints, motifHints, 32, hints, 5);
        }
        SetProperty(w, protocols, XCB_ATOM_ATOM, 32, &deleteWindow, 1);
        if (!s.unmapped) {
            xcb_map_window(c, w);
            waitingForMap.insert(w);
        }
        windows.push_back(w);
        alive.insert(w);
    }
    xcb_flush(c);
    for (const xcb_window_t w : windows)
        printf("%u\n", w);
    fflush(stdout);

    bool announced = false;
    auto announceWhenMapped = [&] {
        if (!announced && waitingForMap.empty()) {
            printf("ready\n");
            fflush(stdout);
            announced = true;
        }
    };
    announceWhenMapped();
    while (xcb_generic_event_t* e = xcb_wait_for_event(c)) {
        const std::uint8_t type = e->response_type & 0x7F;
        if (type == XCB_MAP_NOTIFY) {
            waitingForMap.erase(reinterpret_cast<xcb_map_notify_event_t*>(e)->window);
            announceWhenMapped();
        } else if (type == XCB_CLIENT_MESSAGE) {
            auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
            if (m->type == protocols && m->data.data32[0] == deleteWindow && !ignoreClose) {
                xcb_destroy_window(c, m->window);
                xcb_flush(c);
            }
        } else if (type == XCB_DESTROY_NOTIFY) {
            alive.erase(reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window);
            if (alive.empty()) {
                free(e);
                break;
            }
        }
        free(e);
    }
    xcb_disconnect(c);
    return 0;
}
