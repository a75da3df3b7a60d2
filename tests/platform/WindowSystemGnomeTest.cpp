// Sampling under a real headless GNOME Shell 43 with our extension as the build assembles it, real Wayland
// clients (foot, the GTK 4 demo) and our own windows as X11 clients through Xwayland: the backend chosen from
// a GNOME session's environment, the window in front as the sample, our notices passed over, the close request
// ending the client, and, while the extension does not answer, no sample and a notice that says what to do; the
// user's idle time from Mutter's idle monitor against input made through Mutter's remote desktop service. One
// Shell serves every case.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/Unit1.h"
#include "catalogue/ProcessChoices.h"
#include "monitor/Sampler.h"
#include "platform/OurWindowsSampling.h"
#include "platform/Text.h"
#include "platform/WaylandSampling.h"
#include "platform/linux/WaylandIdle.h"
#include "platform/linux/WindowSystemGnome.h"
#include "support/FakeLogind.h"
#include "support/GnomeFixture.h"
#include "support/ModalAnswerer.h"
#include "support/XApplication.h"

using namespace std::chrono_literals;
using vh::platform::SightRemedy;
using vh::test::GnomeFixture;
using vh::test::Sample;
using vh::test::Sampled;
using vh::test::WaitUntil;
using vh::test::XChild;

namespace {

constexpr const char* kFoot = "vh 终端 foot";
constexpr const char* kGtk = "GTK Demo";

std::string Gbk(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

class GnomeSampling : public vh::test::DesktopSampling {
protected:
    static void SetUpTestSuite() {
        gnome_ = new GnomeFixture(true);
        foot_ = new XChild(gnome_->SpawnClient({"foot", "--app-id", "vhfoot", "--title", kFoot, "sleep", "600"}));
        gtk_ = new XChild(gnome_->SpawnClient({"gtk4-demo"}));
        ASSERT_TRUE(gnome_->Activate(kFoot));
        ASSERT_TRUE(gnome_->Activate(kGtk));

        // A GNOME Wayland session as the program finds it.
        setenv("WAYLAND_DISPLAY", gnome_->WaylandDisplay().c_str(), 1);
        setenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME", 1);
        unsetenv("SWAYSOCK");
        setenv("XAUTHORITY", gnome_->XAuthority().c_str(), 1);
        app_ = vh::test::NewXApplication(gnome_->XDisplay());
    }
    static void TearDownTestSuite() {
        delete app_;
        delete gtk_;
        delete foot_;
        delete gnome_;
    }

    static inline GnomeFixture* gnome_ = nullptr;
    static inline XChild* foot_ = nullptr;
    static inline XChild* gtk_ = nullptr;
    static inline QApplication* app_ = nullptr;
};

TEST_F(GnomeSampling, TheWindowInFrontIsTheSample) {
    EXPECT_TRUE(vh::platform::TheWindowSystem().Sight().othersVisible);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(gnome_->Activate(kFoot));
        vh::test::ExpectSampleOf(Sample(), foot_->Pid(), kFoot, "foot");
        ASSERT_TRUE(gnome_->Activate(kGtk));
        vh::test::ExpectSampleOf(Sample(), gtk_->Pid(), kGtk, "gtk4-demo");
    }

    // The add dialog's picker offers the programs with a window on screen, as on X11.
    const auto choices = vh::catalogue::OnScreenPrograms(vh::platform::TheWindowSystem(), getpid());
    std::vector<std::string> offered;
    for (const auto& c : choices)
        offered.push_back(c.processName + " " + c.caption);
    EXPECT_EQ(offered, (std::vector<std::string>{"gtk4-demo GTK Demo", "foot " + Gbk(kFoot)}));
}

TEST_F(GnomeSampling, OurNoticesAreNotTheSample) {
    vh::test::ExpectOurNoticesPassedOver(
        [](QWidget& w) { return gnome_->Activate(w.windowTitle().toStdString(), 500ms); },
        [] { ASSERT_TRUE(gnome_->Activate(kFoot)); }, kFoot);
}

TEST_F(GnomeSampling, TheCloseRequestEndsTheClientInFront) {
    XChild closing = gnome_->SpawnClient({"foot", "--app-id", "vhclose", "--title", "close me 终端", "sleep", "600"});
    ASSERT_TRUE(gnome_->Activate("close me 终端"));
    const vh::test::Sampled sampled = Sample();
    ASSERT_EQ(sampled.caption, Gbk("close me 终端"));
    const vh::platform::WindowId w = sampled.sample.WindowHandle;

    auto& ws = vh::platform::TheWindowSystem();
    EXPECT_TRUE(ws.RequestClose(w, 10s));
    EXPECT_TRUE(closing.WaitExit(10s)) << "foot did not end";
    EXPECT_FALSE(ws.RequestClose(w, 1s)) << "a window that is gone";
    EXPECT_TRUE(foot_->Running());
    EXPECT_TRUE(gtk_->Running());
}

TEST_F(GnomeSampling, MuttersIdleMonitorTellsTheIdleTimeAndInputEndsIt) {
    // No logind here, and without a display manager the Shell keeps no screen shield (org.gnome.ScreenSaver):
    // nothing tells of a lock.
    const auto idle = vh::test::IdleWithoutLockSource();
    const auto a = idle();
    std::this_thread::sleep_for(500ms);
    EXPECT_GE(idle() - a, 450ms);
    for (const bool key : {false, true}) {
        SCOPED_TRACE(key ? "key" : "pointer");
        ASSERT_TRUE(WaitUntil([&] { return idle() >= 300ms; }, 5s));
        ASSERT_TRUE(gnome_->RemoteInput(key));
        EXPECT_TRUE(WaitUntil([&] { return idle() < 300ms; }, 3s));
    }

    // Mutter speaks neither Wayland idle protocol: the D-Bus idle monitor is GNOME's only way.
    setenv("WAYLAND_DISPLAY", (gnome_->RuntimeDir() + "/" + gnome_->WaylandDisplay()).c_str(), 1);
    {
        vh::platform::WaylandIdle wayland;
        EXPECT_EQ(wayland.Support().gap, vh::platform::PresenceGap::NoIdleProtocol);
    }
    setenv("WAYLAND_DISPLAY", gnome_->WaylandDisplay().c_str(), 1);

    // A session bus without the Shell: the settings page can say why.
    {
        vh::test::FakeLogind otherBus;
        vh::test::SessionBusVariable bus(std::getenv("DBUS_SYSTEM_BUS_ADDRESS"));
        const auto blind = vh::platform::CreateGnomeWindowSystem();
        EXPECT_EQ(blind->Presence().gap, vh::platform::PresenceGap::NoIdleService);
        EXPECT_FALSE(blind->ReadPresence());
    }
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

// The notice shown once after start-up, with its answer; "" when there was none.
std::string StartupNotice(bool agree) {
    TForm1 form;
    std::string text;
    vh::test::AnswerNextModal([&](QWidget* w) {
        auto* info = qobject_cast<TFrmInfo*>(w);
        ASSERT_NE(info, nullptr);
        text = vh::text::GbkToUtf8(info->MessageText());
        (agree ? info->btnOk : info->btnCancel)->click();
    });
    form.NoticeWindowSight();
    return text;
}

// Last: an uninstalled extension comes back only with a new log-in.
TEST_F(GnomeSampling, WithoutTheExtensionNothingIsSampledAndTheNoticeSaysWhatToDo) {
    // The program looks for the extension's files where the desktop user's Shell does, and nowhere else.
    setenv("XDG_DATA_HOME", (gnome_->ExtensionsDir() + "/../..").c_str(), 1);
    setenv("XDG_DATA_DIRS", gnome_->RuntimeDir().c_str(), 1);
    auto& ws = vh::platform::TheWindowSystem();
    ASSERT_TRUE(gnome_->Activate(kFoot));
    // Once the extension is out of reach: no sample, and one notice that says what to do.
    const auto expectBlind = [&](SightRemedy remedy, const std::string& notice, bool agree) {
        ASSERT_TRUE(WaitUntil([&] { return !ws.Sight().othersVisible; }, 10s));
        EXPECT_EQ(ws.Sight().remedy, remedy);
        EXPECT_FALSE(Sample().taken);
        EXPECT_EQ(StartupNotice(agree), notice);
    };

    // Switched off, by itself or with every extension: the program offers to switch it on. Declined, nothing
    // changes; agreed, it samples at once.
    const std::string question = "岚舟记的GNOME扩展没有启用，记录不到\n\r前台程序。现在启用吗？";
    for (const auto& off :
         std::vector<std::vector<std::string>>{{"org.gnome.Shell.Extensions.DisableExtension", "varnholt@varnholt.org"},
                                               {"org.freedesktop.DBus.Properties.Set", "org.gnome.Shell.Extensions",
                                                "UserExtensionsEnabled", "<false>"}}) {
        SCOPED_TRACE(off.front());
        ASSERT_TRUE(gnome_->CallShell("/org/gnome/Shell", off.front(), {off.begin() + 1, off.end()}));
        expectBlind(SightRemedy::EnableExtension, question, false);
        EXPECT_FALSE(ws.Sight().othersVisible);
        EXPECT_EQ(StartupNotice(true), question);
        EXPECT_TRUE(ws.Sight().othersVisible);
        EXPECT_EQ(Sample().caption, Gbk(kFoot));
    }

    // Gone from the disk and from the Shell: the notice says to install it.
    ASSERT_TRUE(gnome_->CallShell("/org/gnome/Shell", "org.gnome.Shell.Extensions.UninstallExtension",
                                  {"varnholt@varnholt.org"}));
    expectBlind(SightRemedy::InstallExtension, "没有找到岚舟记的GNOME扩展，请重新安\n\r装岚舟记，然后注销并重新登录。",
                true);
    // Installed again while the Shell runs: GNOME loads it at the next log-in.
    gnome_->InstallExtension();
    expectBlind(SightRemedy::LogInAgain, "岚舟记的GNOME扩展已安装，请注销后重\n\r新登录，之后才能记录前台程序。", true);
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_DIRS");
}

} // namespace
