// Our own borderless dialogs (the notices, the login, the reminder-text and add dialogs), built as the
// program builds them, on a real X server through Qt's xcb platform, without a window manager and under
// openbox: never the sample, and still centred, on top and answering keyboard and pointer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>
#include <xcb/xcb.h>

#include "app/uInfoFrm.h"
#include "catalogue/uAddProgram.h"
#include "monitor/Sampler.h"
#include "monitor/uDealUnwork.h"
#include "monitor/uInformSet.h"
#include "platform/linux/WindowSystemX11.h"
#include "settings/uLogin.h"
#include "support/SamplingRecorder.h"
#include "support/XvfbFixture.h"

using namespace std::chrono_literals;
using vh::platform::WindowId;
using vh::test::WaitUntil;

namespace {

constexpr int kScreenW = 1280, kScreenH = 1024; // the fixture's screen

class NoticeWindowSampling : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "xcb");
        app_ = std::make_unique<QApplication>(argc_, argv_);
        vh::platform::SetWindowSystem(vh::platform::CreateX11WindowSystem(x_.Display()));
        below_ = vh::test::StartTestClient(x_, {"--window", "--title", "work below", "--at", "0,0"});
    }
    void TearDown() override {
        vh::platform::SetWindowSystem(nullptr);
        app_.reset();
    }

    static WindowId Id(QWidget& w) { return static_cast<WindowId>(w.winId()); }

    // Shown, on top of the stack, on the screen and holding the keyboard focus.
    void ShowInFront(QWidget& w) {
        w.show();
        w.raise();
        w.activateWindow();
        auto& ws = vh::platform::TheWindowSystem();
        ASSERT_TRUE(WaitUntil(
            [&] {
                app_->processEvents();
                bool top = false;
                ws.EnumTopWindows([&](WindowId v) {
                    top = v == Id(w);
                    return false;
                });
                return top && ws.IsVisible(Id(w)) && w.isActiveWindow();
            },
            10s))
            << "not in front with the focus";
    }

    void Hide(QWidget& w) {
        w.hide();
        ASSERT_TRUE(WaitUntil([&] {
            app_->processEvents();
            return !vh::platform::TheWindowSystem().IsVisible(Id(w));
        }));
    }

    // The caption one sample stores.
    std::string Sample() {
        vh::test::SamplingRecorder recorder;
        return recorder.Take() ? recorder.rows.back().caption : std::string();
    }

    // The window's top-left corner on the screen as the X server has it (a window manager's frame aside).
    QPoint ScreenPos(QWidget& w) {
        xcb_connection_t* c = xcb_connect(x_.Display().c_str(), nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        QPoint p(-1, -1);
        if (auto* r = xcb_translate_coordinates_reply(
                c, xcb_translate_coordinates(c, static_cast<xcb_window_t>(Id(w)), root, 0, 0), nullptr)) {
            p = QPoint(r->dst_x, r->dst_y);
            std::free(r);
        }
        xcb_disconnect(c);
        return p;
    }

    void Xdotool(const std::vector<std::string>& args) {
        std::vector<std::string> argv{"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_EQ(x_.Run(argv), 0);
        app_->processEvents();
    }

    void Click(QWidget& dialog, QWidget& button) {
        const QPoint at = ScreenPos(dialog) + button.geometry().center();
        Xdotool({"mousemove", std::to_string(at.x()), std::to_string(at.y()), "click", "1"});
    }

    vh::test::XvfbFixture x_{false};
    int argc_ = 1;
    char arg0_[5] = "test";
    char* argv_[2] = {arg0_, nullptr};
    std::unique_ptr<QApplication> app_;
    vh::test::XClientWindows below_;
};

TEST_F(NoticeWindowSampling, OurDialogsAreNeverTheSample) {
    for (bool wm : {false, true}) {
        if (wm)
            x_.StartWindowManager();
        TFrmInfo info;
        TfrmDealUnwork unwork;
        TFrmLogin login;
        TfrmInformSet inform;
        TfrmAddWorkProgram add;
        for (QWidget* d : std::vector<QWidget*>{&info, &unwork, &login, &inform, &add}) {
            SCOPED_TRACE(d->objectName().toStdString() + (wm ? " under openbox" : " without window manager"));
            ShowInFront(*d);
            EXPECT_EQ(Sample(), "work below");
            // Qt names its hidden group leader as the owner; the window type is enough on its own.
            EXPECT_FALSE(IsCandidateWindow(vh::platform::TheWindowSystem(), Id(*d)));
            // Centred on the screen, as before.
            const QPoint centre = ScreenPos(*d) + QPoint(d->width() / 2, d->height() / 2);
            EXPECT_NEAR(centre.x(), kScreenW / 2, 1);
            EXPECT_NEAR(centre.y(), kScreenH / 2, 1);
            if (wm) {
                // Kept above the window the user turns to.
                Xdotool({"windowactivate", "--sync", std::to_string(below_.windows[0])});
                bool top = false;
                vh::platform::TheWindowSystem().EnumTopWindows([&](WindowId v) {
                    top = v == Id(*d);
                    return false;
                });
                EXPECT_TRUE(top);
            }
            Hide(*d);
        }

        // The control: a frameless window of its own, as programs drawing their own title bar have, is sampled.
        QWidget plain(nullptr, Qt::Window | Qt::FramelessWindowHint);
        plain.setWindowTitle(QStringLiteral("own title bar"));
        plain.resize(365, 203);
        ShowInFront(plain);
        EXPECT_EQ(Sample(), "own title bar");
        Hide(plain);
    }
}

TEST_F(NoticeWindowSampling, OurDialogsTakeTheKeyboardAndThePointer) {
    for (bool wm : {false, true}) {
        SCOPED_TRACE(wm ? "under openbox" : "without window manager");
        if (wm)
            x_.StartWindowManager();

        TFrmLogin login;
        ShowInFront(login);
        ASSERT_TRUE(WaitUntil([&] {
            app_->processEvents();
            return login.edt1->hasFocus();
        }));
        Xdotool({"type", "--delay", "20", "qwhmzt"});
        EXPECT_TRUE(WaitUntil([&] {
            app_->processEvents();
            return login.edt1->text() == QStringLiteral("qwhmzt");
        })) << login.edt1->text().toStdString();
        Hide(login);

        TFrmInfo info;
        auto closedBy = [&](auto action) {
            ShowInFront(info);
            action();
            return WaitUntil([&] {
                app_->processEvents();
                return !info.isVisible();
            });
        };
        info.btnCancelClick();
        ASSERT_FALSE(info.Result());
        EXPECT_TRUE(closedBy([&] { Xdotool({"key", "Return"}); }));
        EXPECT_TRUE(info.Result()) << "Return is \"确定\"";
        EXPECT_TRUE(closedBy([&] { Xdotool({"key", "Escape"}); }));
        EXPECT_FALSE(info.Result()) << "Escape answers no, even after an earlier \"确定\"";
        EXPECT_TRUE(closedBy([&] { Click(info, *info.btnCancel); }));
        EXPECT_FALSE(info.Result());
    }
}

} // namespace
