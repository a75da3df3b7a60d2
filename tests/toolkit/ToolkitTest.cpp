// The toolkit's own rules: timers with the program's semantics, termination from a nested loop, the
// guarded error display, Qt's own texts in Chinese.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

#include "app/ShellTestSupport.h"
#include "toolkit/AppTermination.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/QtTranslations.h"
#include "toolkit/TTimer.h"

using namespace vh::test;

namespace {

int CountTicks(vh::TTimer& t, int forMs) {
    int ticks = 0;
    auto c = QObject::connect(&t, &vh::TTimer::OnTimer, [&] { ++ticks; });
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < forMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QObject::disconnect(c);
    return ticks;
}

class ToolkitTest : public ShellTest {};

} // namespace

TEST_F(ToolkitTest, TimerWithIntervalZeroNeverFires) {
    vh::TTimer t(nullptr, 0, true);
    EXPECT_TRUE(t.Enabled());
    EXPECT_FALSE(t.IsActive());
    EXPECT_EQ(CountTicks(t, 100), 0);
    t.SetInterval(20);
    EXPECT_TRUE(t.IsActive());
    EXPECT_GT(CountTicks(t, 150), 0);
    t.Stop();
    EXPECT_EQ(CountTicks(t, 60), 0);
}

TEST_F(ToolkitTest, SettingTheIntervalOfARunningTimerRestartsItsCount) {
    vh::TTimer t(nullptr, 300, true);
    // Re-set every 100 ms for 600 ms: each setting restarts the count, so it never reaches 300 ms.
    QTimer resetter;
    QObject::connect(&resetter, &QTimer::timeout, [&] { t.SetInterval(300); });
    resetter.start(100);
    EXPECT_EQ(CountTicks(t, 600), 0);
    resetter.stop();
    EXPECT_GT(CountTicks(t, 500), 0);
}

TEST_F(ToolkitTest, TerminationEndsANestedModalLoopAndIsRemembered) {
    QDialog d;
    QTimer::singleShot(50, [] { vh::TerminateApplication(); });
    QElapsedTimer clock;
    clock.start();
    d.exec();
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_TRUE(vh::ApplicationTerminated());
    ForgetTermination();
    EXPECT_FALSE(vh::ApplicationTerminated());
}

TEST_F(ToolkitTest, GuardedHandlerShowsTheErrorAndGoesOn) {
    EXPECT_FALSE(vh::RunGuarded([] { throw std::runtime_error("Unable to write to x"); }));
    EXPECT_TRUE(vh::RunGuarded([] {}));
    ASSERT_EQ(ShownErrors().size(), 1u);
    EXPECT_EQ(ShownErrors()[0], "Unable to write to x");
}

// The buttons Qt draws in message boxes and Qt's own file dialog (the export's save dialog where the desktop
// offers none of its own) speak Chinese once Debian's translations of Qt are installed.
TEST_F(ToolkitTest, QtsOwnTextsAreChinese) {
    ASSERT_TRUE(vh::InstallQtTranslations(*QCoreApplication::instance()));
    QMessageBox box(QMessageBox::Question, QStringLiteral("信息"), QStringLiteral("?"),
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Save);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
    EXPECT_EQ(box.button(QMessageBox::Save)->text(), QStringLiteral("保存"));
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    QStringList labels;
    for (const QLabel* l : files.findChildren<QLabel*>())
        labels << l->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("查看：")) || labels.contains(QStringLiteral("查找范围：")))
        << labels.join(QLatin1Char('|')).toStdString();
}
