// Which backend a session gets, the backend that sees nothing, and the KWin script's logic, run under node
// with a fake KWin workspace (the same text the backend hands KWin).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
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
    EXPECT_EQ(Detect({{"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}}),
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
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("vh-kwin-" + std::to_string(std::random_device{}()) + ".js");
    std::ofstream(file) << script;
    std::string out;
    if (FILE* p = popen(("node " + file.string() + " 2>&1").c_str(), "r")) {
        char buf[4096];
        while (std::size_t n = fread(buf, 1, sizeof buf, p))
            out.append(buf, n);
        pclose(p);
    }
    std::filesystem::remove(file);
    const auto v = json::Parse(out);
    EXPECT_TRUE(v) << out;
    return v ? *v : json::Value{};
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

} // namespace
