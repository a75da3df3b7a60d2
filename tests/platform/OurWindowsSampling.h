#pragma once
// Our own windows in front of a Wayland desktop, as X11 clients through XWayland: the notices are passed
// over for the window the user had in front before, and a plain window of ours is sampled like any other.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/uInfoFrm.h"
#include "monitor/uDealUnwork.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "platform/WaylandSampling.h"
#include "support/XvfbFixture.h"

namespace vh::test {

// toFront gives one of our windows the focus (false until the desktop has it); userToFront the user's window,
// whose caption (UTF-8) the notices leave the sample.
inline void ExpectOurNoticesPassedOver(const std::function<bool(QWidget&)>& toFront,
                                       const std::function<void()>& userToFront, const std::string& userCaption) {
    using namespace std::chrono_literals;
    const auto bringToFront = [&](QWidget& w) {
        return WaitUntil(
            [&] {
                QCoreApplication::processEvents();
                return toFront(w);
            },
            20s);
    };
    const std::string user = text::Utf8ToGbk(userCaption);
    userToFront();
    TfrmDealUnwork unwork;
    unwork.ShowUnworkNotice(text::Utf8ToGbk("注意哦"), text::Utf8ToGbk("提醒"), 0, "foot", user, 1, Now());
    TFrmInfo info;
    info.SetTexts(text::Utf8ToGbk("信息"), text::Utf8ToGbk("通知"));
    for (QWidget* d : std::vector<QWidget*>{&unwork, &info}) {
        SCOPED_TRACE(d->objectName().toStdString());
        d->show();
        // In front and holding the focus: passed over all the same.
        ASSERT_TRUE(bringToFront(*d));
        const Sampled s = Sample();
        ASSERT_TRUE(s.taken);
        EXPECT_EQ(s.caption, user) << "the window in front before it";
        d->hide();
        QCoreApplication::processEvents();
        userToFront();
    }

    // The control: a window of ours that is an application window is sampled like any other.
    QWidget plain(nullptr, Qt::Window);
    plain.setWindowTitle(QStringLiteral("own window"));
    plain.resize(300, 200);
    plain.show();
    ASSERT_TRUE(bringToFront(plain));
    EXPECT_EQ(Sample().caption, "own window");
    plain.hide();
    QCoreApplication::processEvents();
}

} // namespace vh::test
