// The assembled program: the main window's timers reach the sampler, the database and the non-work
// handling through the real wiring, as they do in the running program.
#include <QApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "app/Assembly.h"
#include "app/DailyBackup.h"
#include "app/Unit1.h"
#include "catalogue/uAddProgram.h"
#include "monitor/Sampler.h"
#include "monitor/Schedule.h"
#include "monitor/uDealUnwork.h"
#include "monitor/uInformSet.h"
#include "platform/Clock.h"
#include "storage/uDBFunc.h"
#include "support/FakeWindowSystem.h"
#include "support/ModalAnswerer.h"
#include "support/TestClock.h"
#include "support/TestDatabase.h"

namespace {

using vh::test::G;

class AssemblyTest : public ::testing::Test {
protected:
    void SetUp() override {
        vh::test::ForgetTermination();
        db_.App().WriteFile("Config.ini", "[Security]\r\nStartPasswd=0\r\n[System]\r\nAutoMinimize=0\r\nunwork=0\r\n"
                                          "[OtherSettings]\r\nAutoUpdate=0\r\n");
        fake_ = &vh::test::FakeWindowSystem::Install();
        fake_->AddProcess(1, "init");
        fake_->AddProcess(4242, "notepad.exe");
        fake_->AddWindow(7, G("记事本 - 计划"), 4242);
        form_ = std::make_unique<TForm1>();
        assembly_ = std::make_unique<TAppAssembly>(*form_);
        assembly_->CreateDialogs();
    }
    void TearDown() override {
        assembly_->DealUnwork()->hide();
        assembly_.reset();
        form_.reset();
        vh::platform::SetWindowSystem(nullptr);
    }
    std::size_t Rows() { return db_.Sql().Rows("select timedetail from timeinfo").size(); }

    vh::test::TestDatabase db_;
    vh::test::FakeWindowSystem* fake_ = nullptr;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<TAppAssembly> assembly_;
};

TEST_F(AssemblyTest, SamplingTickStoresTheSampleAndRaisesTheNoticeForANonWorkProgram) {
    emit form_->TimerOf(vh::Timer::Save).OnTimer();

    EXPECT_EQ(Rows(), 1u);
    EXPECT_EQ(assembly_->Sampler().ForegroundInfo().ExeName, "notepad.exe");
    EXPECT_EQ(assembly_->Sampler().ForegroundInfo().ProcessId, 4242u);
    TfrmDealUnwork* notice = assembly_->DealUnwork();
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->ProcessName(), "notepad.exe");
    EXPECT_EQ(notice->ProgramName(), G("记事本 - 计划"));
    EXPECT_EQ(notice->ProcessId(), 4242u);
}

TEST_F(AssemblyTest, AWorkProgramIsSampledWithoutAReaction) {
    ASSERT_EQ(TDBFunc::InsertProgram("NOTEPAD.EXE", G("记事本"), ""), TWriteResult::Done);
    ASSERT_EQ(TDBFunc::SetProgramState(1, G("记事本")), TWriteResult::Done);

    emit form_->TimerOf(vh::Timer::Save).OnTimer();
    emit form_->TimerOf(vh::Timer::Save).OnTimer();

    EXPECT_EQ(Rows(), 2u);
    EXPECT_FALSE(assembly_->DealUnwork()->isVisible());
}

TEST_F(AssemblyTest, WithoutTheDatabaseOneWriteWrongBoxAtATimeAndTicksStillHandOver) {
    db_.CloseConnection();
    TfrmDealUnwork* notice = assembly_->DealUnwork();
    std::vector<QWidget*> boxes;
    QString text;
    bool handedOverInside = false;
    vh::test::AnswerNextModal([&](QWidget* box) {
        boxes.push_back(box);
        text = qobject_cast<QMessageBox*>(box) ? qobject_cast<QMessageBox*>(box)->text() : QString();
        // Any further box is counted and closed, so the test ends either way.
        QTimer other;
        QObject::connect(&other, &QTimer::timeout, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (w && w != box) {
                boxes.push_back(w);
                w->close();
            }
        });
        other.start(20);
        // Two more ticks inside the open box's loop.
        emit form_->TimerOf(vh::Timer::Save).OnTimer();
        emit form_->TimerOf(vh::Timer::Save).OnTimer();
        handedOverInside = notice->isVisible();
        notice->hide();
        box->close();
    });
    emit form_->TimerOf(vh::Timer::Save).OnTimer();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(text, QStringLiteral("write wrong"));
    EXPECT_TRUE(handedOverInside);
    // The first tick hands over once its box is closed.
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(assembly_->Sampler().ForegroundInfo().ExeName, "notepad.exe");

    // A later failing tick shows the box again.
    notice->hide();
    vh::test::AnswerNextModal([&](QWidget* box) {
        boxes.push_back(box);
        box->close();
    });
    emit form_->TimerOf(vh::Timer::Save).OnTimer();
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(AssemblyTest, ScheduleTickArmsSamplingInsideThePeriod) {
    vh::test::TestClock clock(vh::test::At(2026, 12, 9, 10, 0, 0));
    db_.App().WriteFile("Config.ini", "[TimeConfig]\r\nTaskexecutype=0\r\nTimeFrom=9:0:0\r\nTimeEnd=11:0:0\r\n"
                                      "MonitorInterval=2\r\n");
    LoadSchedule(form_->Settings(), assembly_->StartupData().schedule);

    emit form_->TimerOf(vh::Timer::TimeRange).OnTimer();
    EXPECT_TRUE(form_->TimerOf(vh::Timer::Save).Enabled());
    EXPECT_EQ(form_->TimerOf(vh::Timer::Save).Interval(), 120000);

    clock.Set(vh::test::At(2026, 12, 9, 11, 0, 0));
    emit form_->TimerOf(vh::Timer::TimeRange).OnTimer();
    EXPECT_FALSE(form_->TimerOf(vh::Timer::Save).Enabled());
}

TEST_F(AssemblyTest, TipsTickRotatesTheTipLine) {
    db_.App().WriteFile("SuccessTips.txt", G("第一条") + "\r\n" + G("第二条") + "\r\n");
    assembly_->StartupData().tips.Load(db_.App().Path("SuccessTips.txt"));
    QLabel* line = form_->findChild<QLabel*>(QStringLiteral("Label9"));
    emit form_->TimerOf(vh::Timer::Tips).OnTimer();
    EXPECT_EQ(line->text(), QStringLiteral("第一条"));
    EXPECT_EQ(assembly_->Tips().NextIndex(), 1);
    emit form_->TimerOf(vh::Timer::Tips).OnTimer();
    EXPECT_EQ(line->text(), QStringLiteral("第二条"));
    EXPECT_EQ(assembly_->Tips().NextIndex(), 0);
}

// The daily copy: at the first check of a day one copy is made beside the database on a thread of its own and
// traced; later checks that day make none; the next day makes the next. A failed copy is tried again an hour
// later.
TEST_F(AssemblyTest, TheDailyCopyIsMadeOnceADay) {
    vh::test::TestClock clock(vh::test::At(2026, 12, 9, 23, 59, 0));
    std::vector<std::string> trace;
    TDailyBackup backups([&trace](const std::string& m) { trace.push_back(m); });
    const auto copyMade = [&] {
        QEventLoop loop;
        QObject::connect(&backups, &TDailyBackup::Finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        if (!backups.CheckNow())
            return false;
        loop.exec();
        return true;
    };
    ASSERT_TRUE(copyMade());
    EXPECT_FALSE(copyMade());
    clock.Set(vh::test::At(2026, 12, 10, 0, 0, 30));
    ASSERT_TRUE(copyMade());
    EXPECT_EQ(trace, (std::vector<std::string>{"backup:" + db_.App().Path("backup/ABC-20261209.fbk"),
                                               "backup:" + db_.App().Path("backup/ABC-20261210.fbk")}));

    std::filesystem::remove_all(db_.App().Path("backup"));
    db_.App().WriteFile("backup", "not a folder");
    clock.Set(vh::test::At(2026, 12, 11, 0, 0, 0));
    ASSERT_TRUE(copyMade());
    EXPECT_EQ(trace.back().rfind("backup failed:", 0), 0u) << trace.back();
    clock.Set(vh::test::At(2026, 12, 11, 0, 59, 0));
    EXPECT_FALSE(copyMade());
    std::filesystem::remove(db_.App().Path("backup"));
    clock.Set(vh::test::At(2026, 12, 11, 1, 0, 0));
    ASSERT_TRUE(copyMade());
    EXPECT_EQ(trace.back(), "backup:" + db_.App().Path("backup/ABC-20261211.fbk"));
}

TEST_F(AssemblyTest, EveryPageOfTheSubsystemsIsInPlace) {
    for (vh::Page page : {vh::Page::MonitorSetting, vh::Page::Statistic, vh::Page::SystemSetting, vh::Page::Password,
                          vh::Page::WorkSet, vh::Page::ProgramManage}) {
        form_->OpenPage(page);
        EXPECT_EQ(form_->CurrentPage(), page);
        QWidget* widget = form_->PageWidget(page);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->objectName(), vh::PageName(page));
        // A placeholder is a bare QWidget; the real pages are their own classes.
        EXPECT_STRNE(widget->metaObject()->className(), "QWidget") << vh::PageName(page).toStdString();
    }
}

namespace {
// A label that shows one line of text must be as wide and as high as that text.
void ExpectLabelsShowTheirText(QWidget* top, const std::string& where) {
    for (QLabel* l : top->findChildren<QLabel*>()) {
        if (!l->isVisibleTo(top) || l->text().isEmpty() || l->wordWrap() || l->textFormat() == Qt::RichText)
            continue;
        const QFontMetrics fm(l->font());
        const QRect room = l->contentsRect();
        for (const QString& line : l->text().split(QLatin1Char('\n'))) {
            EXPECT_LE(fm.horizontalAdvance(line), room.width())
                << where << " " << l->objectName().toStdString() << " '" << line.toStdString() << "'";
        }
        EXPECT_LE(fm.height(), room.height()) << where << " " << l->text().toStdString();
    }
}

// Every visible widget below top lies inside area (in top's coordinates).
void ExpectInside(QWidget* top, const QRect& area, const std::string& where) {
    for (QWidget* w : top->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(top) || w->isWindow())
            continue;
        const QRect r(w->mapTo(top, QPoint(0, 0)), w->size());
        EXPECT_TRUE(area.contains(r)) << where << " " << w->metaObject()->className() << " "
                                      << w->objectName().toStdString() << " at " << r.x() << "," << r.y() << " "
                                      << r.width() << "x" << r.height();
    }
}
} // namespace

TEST_F(AssemblyTest, EveryControlFitsInThePageAreaAndNoLabelIsClipped) {
    const QRect area(QPoint(0, 0), form_->findChild<QWidget*>(QStringLiteral("RPCHelp"))->size());
    form_->show();
    for (int i = 0; i < vh::kPageCount; ++i) {
        const vh::Page id = static_cast<vh::Page>(i);
        const std::string name = vh::PageName(id).toStdString();
        form_->OpenPage(id);
        QApplication::processEvents();
        QWidget* page = form_->PageWidget(id);
        ASSERT_NE(page, nullptr) << name;
        ExpectInside(page, area, name);
        ExpectLabelsShowTheirText(page, name);
    }
    // The window's own labels (navigation, tip strip) and the dialogs.
    ExpectLabelsShowTheirText(form_->findChild<QWidget*>(QStringLiteral("pnlNav")), "navigation");
    for (QWidget* dialog : std::initializer_list<QWidget*>{assembly_->AddWorkProgram(), assembly_->DealUnwork(),
                                                           assembly_->InformSet()}) {
        dialog->show();
        QApplication::processEvents();
        ExpectInside(dialog, dialog->rect(), dialog->objectName().toStdString());
        ExpectLabelsShowTheirText(dialog, dialog->objectName().toStdString());
        dialog->hide();
    }
}

} // namespace
