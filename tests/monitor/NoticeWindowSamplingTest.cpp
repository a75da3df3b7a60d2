// Our own always-on-top notice windows (Qt, frameless, stays-on-top) are never the sample, on a real X
// server through Qt's xcb platform, without a window manager and under openbox.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <memory>
#include <string>

#include "monitor/Sampler.h"
#include "platform/linux/WindowSystemX11.h"
#include "support/XvfbFixture.h"

using namespace std::chrono_literals;
using vh::test::WaitUntil;

namespace {

struct Probe {
    Qt::WindowFlags flags;
    const char* name;
    bool sampled; // a plain Qt window is the control case
};

TEST(NoticeWindowSampling, FramelessStaysOnTopWindowsArePassedOver) {
    vh::test::XvfbFixture x(false);
    int argc = 1;
    char arg0[] = "test";
    char* argv[] = {arg0, nullptr};
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    vh::platform::SetWindowSystem(vh::platform::CreateX11WindowSystem(x.Display()));
    auto below = vh::test::StartTestClient(x, {"--window", "--title", "work below"});

    const Probe probes[] = {
        {Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint, "Tool", false},
        {Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint, "Window", false},
        {Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint, "Dialog", false},
        {Qt::Window, "plain", true},
    };
    for (bool wm : {false, true}) {
        if (wm)
            x.StartWindowManager();
        for (const auto& p : probes) {
            SCOPED_TRACE(std::string(p.name) + (wm ? " under openbox" : " without window manager"));
            QWidget w(nullptr, p.flags);
            w.setWindowTitle(QStringLiteral("notice probe"));
            w.resize(365, 203);
            w.show();
            const auto id = static_cast<vh::platform::WindowId>(w.winId());
            auto& ws = vh::platform::TheWindowSystem();
            // On top of the stack and on the screen before it is judged.
            ASSERT_TRUE(WaitUntil(
                [&] {
                    app.processEvents();
                    bool top = false;
                    ws.EnumTopWindows([&](vh::platform::WindowId v) {
                        top = v == id;
                        return false;
                    });
                    return top && ws.IsVisible(id);
                },
                10s));
            SamplerHooks hooks;
            std::string caption;
            hooks.insertSample = [&](const std::string&, const std::string& c, const std::string&, const std::string&) {
                caption = c;
            };
            hooks.trace = {};
            TakeSample(hooks);
            if (p.sampled) {
                EXPECT_EQ(caption, "notice probe");
            } else {
                EXPECT_EQ(caption, "work below");
                EXPECT_TRUE(ws.HasOwner(id) || !IsCandidateWindow(id));
                // Frameless is enough on its own: the style test refuses it even without an owner.
                EXPECT_FALSE(IsCandidateWindow(id));
            }
            w.hide();
            app.processEvents();
        }
    }
    vh::platform::SetWindowSystem(nullptr);
}

} // namespace
