// Which backend a session gets, the backend that sees nothing, the KWin script's logic, run under node with a
// fake KWin workspace (the same text the backend hands KWin), and the GNOME Shell 45+ variant of our extension
// under node with fake GNOME modules (the 43 variant runs in a real GNOME Shell elsewhere).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>

#include "platform/linux/Json.h"
#include "platform/linux/WaylandSession.h"
#include "platform/linux/WindowSystemKWin.h"

using vh::platform::LinuxDesktop;
namespace json = vh::platform::json;

namespace {

LinuxDesktop Detect(const std::map<std::string, std::string>& env) {
    return vh::platform::DetectDesktop([&](const char* name) -> const char* {
        const auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    });
}

TEST(WaylandSession, TheSessionChoosesTheBackend) {
    EXPECT_EQ(Detect({}), LinuxDesktop::X11);
    EXPECT_EQ(Detect({{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}}), LinuxDesktop::X11);
    EXPECT_EQ(Detect({{"DISPLAY", ":0"}, {"XDG_CURRENT_DESKTOP", "KDE"}}), LinuxDesktop::X11);
    EXPECT_EQ(Detect({{"WAYLAND_DISPLAY", ""}, {"DISPLAY", ":0"}}), LinuxDesktop::X11);
    EXPECT_EQ(Detect({{"WAYLAND_DISPLAY", "wayland-1"}, {"SWAYSOCK", "/run/user/1000/sway-ipc.sock"}}),
              LinuxDesktop::Sway);
    EXPECT_EQ(Detect({{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}, {"XDG_CURRENT_DESKTOP", "KDE"}}),
              LinuxDesktop::KWin);
    EXPECT_EQ(Detect({{"WAYLAND_DISPLAY", "wayland-0"}, {"KDE_FULL_SESSION", "true"}}), LinuxDesktop::KWin);
    EXPECT_EQ(Detect({{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}}), LinuxDesktop::Gnome);
    EXPECT_EQ(Detect({{"XDG_SESSION_TYPE", "wayland"}, {"XDG_CURRENT_DESKTOP", "GNOME"}}), LinuxDesktop::Gnome);
    EXPECT_EQ(Detect({{"DISPLAY", ":0"}, {"XDG_CURRENT_DESKTOP", "GNOME"}}), LinuxDesktop::X11);
    EXPECT_EQ(Detect({{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_CURRENT_DESKTOP", "GNOMEish"}}),
              LinuxDesktop::OtherWayland);
    EXPECT_EQ(Detect({{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_CURRENT_DESKTOP", "KDEish"}}),
              LinuxDesktop::OtherWayland);
}

TEST(WaylandSession, ABlindDesktopSeesNoWindowAndSaysWhy) {
    const auto ws = vh::platform::CreateBlindWindowSystem("no way in");
    int visited = 0;
    ws->EnumTopWindows([&](vh::platform::WindowId) {
        ++visited;
        return true;
    });
    EXPECT_EQ(visited, 0);
    EXPECT_FALSE(ws->Sight().othersVisible);
    EXPECT_EQ(ws->Sight().reason, "no way in");
    // Nor does it tell how long the user has been idle.
    EXPECT_EQ(ws->Presence().gap, vh::platform::PresenceGap::Unsupported);
    EXPECT_FALSE(ws->ReadPresence());
    // Processes are still listed, in the /proc walk's order, our own among them.
    const auto procs = ws->SnapshotProcesses();
    bool self = false;
    for (std::size_t i = 0; i < procs.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(procs[i - 1].pid, procs[i].pid);
        }
        self = self || procs[i].pid == static_cast<std::uint32_t>(getpid());
    }
    EXPECT_TRUE(self);
}

// A fake KWin: windows with the properties the script reads, in the KWin 5 or KWin 6 API. Every callDBus is
// recorded; the output is the list of calls and the ids of windows asked to close.
const char* kFakeKWin = R"JS(
var calls = [], closed = [];
function callDBus() { calls.push(Array.prototype.slice.call(arguments)); }
function win(id, caption, pid, props) {
    var w = { internalId: id, caption: caption, pid: pid, normalWindow: true, transient: false,
              transientFor: null, popupWindow: false, specialWindow: false,
              closeWindow: function () { closed.push(id); } };
    for (var k in props) w[k] = props[k];
    return w;
}
var editor = win("{0001}", "say \"hi\" \\ 终端", 4242, {});
var dialog = win("{0002}", "Save as", 4242, { transient: true, transientFor: editor });
var menu = win("{0003}", "", 4242, { normalWindow: false, popupWindow: true });
var other = win("{0004}", "other desktop", 77, { desktop: 2 });
var small = win("{0005}", "minimised", 78, { minimized: true });
var below = win("{0006}", "below", 79, { desktop: 1 });
var all = [editor, dialog, menu, other, small, below];
)JS";

// Runs node in a fresh folder holding files (name, text); its output, read as JSON.
json::Value RunNode(const std::map<std::string, std::string>& files, const std::string& arguments) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vh-node-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    for (const auto& [name, text] : files)
        std::ofstream(dir / name) << text;
    std::string out;
    if (FILE* p = popen(("cd " + dir.string() + " && node " + arguments + " 2>&1").c_str(), "r")) {
        char buf[4096];
        while (std::size_t n = fread(buf, 1, sizeof buf, p))
            out.append(buf, n);
        pclose(p);
    }
    std::filesystem::remove_all(dir);
    const auto v = json::Parse(out);
    EXPECT_TRUE(v) << out;
    return v ? *v : json::Value{};
}

json::Value RunScript(int api, const std::string& active, const std::string& action, const std::string& target,
                      const std::string& stacking = "[]") {
    // KWin 5 numbers its desktops; KWin 6 gives each window a list of desktop objects.
    const std::string workspace =
        api == 6 ? "var d1 = {}, d2 = {};\n"
                   "all.forEach(function (w) { if (w.desktop) { w.desktops = [w.desktop == 1 ? d1 : d2]; "
                   "delete w.desktop; } });\n"
                   "var workspace = {currentDesktop: d1, activeWindow: " +
                       active + ", windowList: function () { return all; }, stackingOrder: " + stacking + "};\n"
                 : "var workspace = {currentDesktop: 1, activeClient: " + active +
                       ", clientList: function () { return all; }, stackingOrder: " + stacking + "};\n";
    const std::string script = kFakeKWin + workspace + vh::platform::KWinScriptText(":1.42", action, target) +
                               "\nconsole.log(JSON.stringify({calls: calls, closed: closed}));\n";
    return RunNode({{"script.js", script}}, "script.js");
}

// The one callback of a run: its member name and arguments after the fixed service, path and interface.
std::vector<json::Value> Callback(const json::Value& run, std::string& member) {
    const json::Value* calls = run.Find("calls");
    if (!calls || calls->array.size() != 1 || calls->array[0].array.size() < 4) {
        ADD_FAILURE() << "expected exactly one call back";
        return {};
    }
    const auto& args = calls->array[0].array;
    EXPECT_EQ(args[0].string, ":1.42");
    EXPECT_EQ(args[1].string, "/Varnholt");
    EXPECT_EQ(args[2].string, "org.varnholt.KWinReport");
    member = args[3].string;
    return {args.begin() + 4, args.end()};
}

TEST(KWinScript, ReportsTheActiveWindow) {
    for (int api : {5, 6}) {
        SCOPED_TRACE("KWin " + std::to_string(api));
        std::string member;
        auto args = Callback(RunScript(api, "editor", "report", ""), member);
        EXPECT_EQ(member, "Report");
        ASSERT_EQ(args.size(), 4u);
        EXPECT_EQ(args[0].string, "{0001}");
        EXPECT_EQ(args[1].string, "say \"hi\" \\ 终端");
        EXPECT_EQ(args[2].number, 4242);
        EXPECT_TRUE(args[3].boolean);

        // A dialog kept for another window and a menu are no application windows.
        for (const char* other : {"dialog", "menu"}) {
            args = Callback(RunScript(api, other, "report", ""), member);
            ASSERT_EQ(args.size(), 4u);
            EXPECT_FALSE(args[3].boolean) << other;
        }
        // No active window: nothing in front, or the topmost shown application window of the stacking order.
        args = Callback(RunScript(api, "null", "report", ""), member);
        ASSERT_EQ(args.size(), 4u);
        EXPECT_EQ(args[0].string, "");
        args = Callback(RunScript(api, "null", "report", "", "[below, editor, other, small, menu]"), member);
        ASSERT_EQ(args.size(), 4u);
        EXPECT_EQ(args[0].string, "{0001}");
        // An active menu or dialog: the application window under it.
        args = Callback(RunScript(api, "menu", "report", "", "[editor, below, other, small, dialog, menu]"), member);
        ASSERT_EQ(args.size(), 4u);
        EXPECT_EQ(args[0].string, "{0006}");
        EXPECT_TRUE(args[3].boolean);
    }
}

TEST(KWinScript, ClosesTheWindowItIsGiven) {
    for (int api : {5, 6}) {
        SCOPED_TRACE("KWin " + std::to_string(api));
        std::string member;
        json::Value run = RunScript(api, "null", "close", "{0002}");
        auto args = Callback(run, member);
        EXPECT_EQ(member, "Done");
        ASSERT_EQ(args.size(), 1u);
        EXPECT_TRUE(args[0].boolean);
        ASSERT_EQ(run.Find("closed")->array.size(), 1u);
        EXPECT_EQ(run.Find("closed")->array[0].string, "{0002}");

        // A target KWin does not know, whatever its text, closes nothing.
        run = RunScript(api, "editor", "close", "{0002}\"; closed.push(\"x\"); //\n</script>");
        args = Callback(run, member);
        ASSERT_EQ(args.size(), 1u);
        EXPECT_FALSE(args[0].boolean);
        EXPECT_TRUE(run.Find("closed")->array.empty());

        args = Callback(RunScript(api, "null", "exists", "{0003}"), member);
        ASSERT_EQ(args.size(), 1u);
        EXPECT_TRUE(args[0].boolean);
        args = Callback(RunScript(api, "null", "exists", "{0009}"), member);
        ASSERT_EQ(args.size(), 1u);
        EXPECT_FALSE(args[0].boolean);
    }
}

// GNOME Shell 45 and later load the extension as an ES module with GNOME's libraries as gi:// imports and the
// Extension class from the Shell's resources; node stands in with fakes of exactly what the module uses.
const char* kFakeGnomeModules = R"JS(
export async function resolve(specifier, context, next) {
    if (specifier.startsWith('gi://') || specifier.startsWith('resource://'))
        return {url: 'vhfake:' + specifier, shortCircuit: true};
    return next(specifier, context);
}
const fakes = {
    'gi://Gio': `export default {
        DBus: {session: 'session bus'},
        DBusExportedObject: {wrapJSObject(xml, service) {
            return globalThis.exported = {xml, service, export(bus, path) { this.bus = bus; this.path = path; },
                                          unexport() { this.path = null; }};
        }},
    };`,
    'gi://Meta': `export default {WindowType: {NORMAL: 0, DESKTOP: 1, DOCK: 2, DIALOG: 3, MODAL_DIALOG: 4, TOOLBAR: 5,
        MENU: 6, UTILITY: 7, SPLASHSCREEN: 8, DROPDOWN_MENU: 9, POPUP_MENU: 10, TOOLTIP: 11, NOTIFICATION: 12,
        COMBO: 13, DND: 14, OVERRIDE_OTHER: 15}};`,
    'resource:///org/gnome/shell/extensions/extension.js':
        'export class Extension { constructor(metadata) { this.metadata = metadata; } }',
};
export async function load(url, context, next) {
    if (url.startsWith('vhfake:'))
        return {format: 'module', source: fakes[url.slice(7)], shortCircuit: true};
    return next(url, context);
}
)JS";

// A Shell with windows in stacking order (bottom first), listed in another order, as the Shell does.
const char* kFakeShell = R"JS(
const closed = [];
function win(id, title, pid, props = {}) {
    const w = {type: 0, transient: null, skip: false, override: false, showing: true, workspace: 'one', ...props};
    return {
        stack: w.stack, get_id: () => id, get_title: () => title, get_wm_class: () => 'class-' + id,
        get_pid: () => pid, get_window_type: () => w.type, get_transient_for: () => w.transient,
        is_skip_taskbar: () => w.skip, is_override_redirect: () => w.override,
        showing_on_its_workspace: () => w.showing, located_on_workspace: ws => ws === w.workspace,
        delete: time => closed.push([id, time]),
    };
}
const below = win(11, 'below', 501, {stack: 1});
const editor = win(12, 'say "hi" 终端', 502, {stack: 2});
const dialog = win(13, 'Save as', 502, {stack: 3, transient: editor});
const menu = win(14, '', 502, {stack: 4, type: 6});
const notice = win(15, 'notice', 503, {stack: 5, type: 12});
const tool = win(16, 'palette', 502, {stack: 6, skip: true});
const elsewhere = win(17, 'other workspace', 504, {stack: 7, workspace: 'two'});
const minimised = win(18, 'minimised', 505, {stack: 8, showing: false});
const unknownPid = win(19, 'no pid', -1, {stack: 0});
globalThis.global = {
    display: {
        focus_window: editor,
        list_all_windows: () => [notice, editor, minimised, below, menu, elsewhere, dialog, tool, unknownPid],
        sort_windows_by_stacking: list => [...list].sort((a, b) => a.stack - b.stack),
    },
    workspace_manager: {get_active_workspace: () => 'one'},
    get_current_time: () => 4711,
};
const {default: VarnholtExtension} = await import('./extension.js');
const extension = new VarnholtExtension({uuid: 'varnholt@varnholt.org'});
extension.enable();
const {service, path, bus, xml} = globalThis.exported;
const fronts = [editor, dialog, menu, notice, null].map(w => { global.display.focus_window = w; return service.Front(); });
const out = {path, bus, xml, version: service.Version(), fronts, windows: service.Windows(),
             close: [service.Close(11), service.Close(99)], closed};
extension.disable();
out.unexported = globalThis.exported.path === null;
console.log(JSON.stringify(out));
)JS";

std::string FileText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(GnomeExtension, TheShell45VariantRunsTheSharedLogic) {
    const std::string folder = VH_GNOME_EXTENSION_45_DIR;
    const json::Value out = RunNode({{"extension.js", FileText(folder + "/extension.js")},
                                     {"package.json", "{\"type\": \"module\"}\n"},
                                     {"fakes.mjs", kFakeGnomeModules},
                                     {"register.mjs", "import {register} from 'node:module';\n"
                                                      "register('./fakes.mjs', import.meta.url);\n"},
                                     {"main.mjs", kFakeShell}},
                                    "--import ./register.mjs main.mjs");
    const json::Value* run = &out;
    ASSERT_FALSE(run->IsNull());

    const auto metadata = json::Parse(FileText(folder + "/metadata.json"));
    ASSERT_TRUE(metadata);
    EXPECT_EQ(metadata->StringAt("uuid"), "varnholt@varnholt.org");
    EXPECT_EQ(metadata->Find("shell-version")->array.front().string, "45");
    EXPECT_EQ(run->Find("version")->number, *metadata->IntegerAt("version"));
    EXPECT_EQ(run->StringAt("path"), "/org/varnholt/Shell");
    EXPECT_EQ(run->StringAt("bus"), "session bus");
    EXPECT_NE(run->StringAt("xml").find("<interface name=\"org.varnholt.Shell\">"), std::string::npos);

    // The window in front with its normal flag: dialogs kept for another window, menus and notifications are not.
    const auto& fronts = run->Find("fronts")->array;
    ASSERT_EQ(fronts.size(), 5u);
    ASSERT_EQ(fronts[0].array.size(), 5u);
    EXPECT_EQ(fronts[0].array[0].number, 12);
    EXPECT_EQ(fronts[0].array[1].string, "say \"hi\" 终端");
    EXPECT_EQ(fronts[0].array[2].string, "class-12");
    EXPECT_EQ(fronts[0].array[3].number, 502);
    EXPECT_TRUE(fronts[0].array[4].boolean);
    for (int i : {1, 2, 3}) {
        EXPECT_FALSE(fronts[i].array[4].boolean) << i;
    }
    EXPECT_EQ(fronts[4].array[0].number, 0) << "nothing in front";

    // The application windows on the active workspace, topmost first; an unknown pid is 0.
    std::vector<std::string> titles;
    for (const auto& w : run->Find("windows")->array)
        titles.push_back(w.array[1].string + "/" + std::to_string(static_cast<int>(w.array[3].number)));
    EXPECT_EQ(titles, (std::vector<std::string>{"say \"hi\" 终端/502", "below/501", "no pid/0"}));

    // Close asks the window itself, with the Shell's time; an unknown id closes nothing.
    const auto& close = run->Find("close")->array;
    EXPECT_TRUE(close[0].boolean);
    EXPECT_FALSE(close[1].boolean);
    const auto& closed = run->Find("closed")->array;
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(closed[0].array[0].number, 11);
    EXPECT_EQ(closed[0].array[1].number, 4711);
    EXPECT_TRUE(run->BoolAt("unexported"));
}

} // namespace
