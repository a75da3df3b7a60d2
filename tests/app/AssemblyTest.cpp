// The assembled program: the main window's timers reach the sampler, the database and the non-work
// handling through the real wiring, as they do in the running program.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "app/Assembly.h"
#include "app/Unit1.h"
#include "monitor/ForegroundInfo.h"
#include "monitor/Schedule.h"
#include "monitor/uDealUnwork.h"
#include "platform/Clock.h"
#include "storage/uDBFunc.h"
#include "support/FakeWindowSystem.h"
#include "support/ModalAnswerer.h"
#include "support/TestDatabase.h"
#include "update/Tips.h"

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
        vh::SetClock({});
    }
    std::size_t Rows() { return db_.Sql().Rows("select timedetail from timeinfo").size(); }

    vh::test::TestDatabase db_;
    vh::test::FakeWindowSystem* fake_ = nullptr;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<TAppAssembly> assembly_;
};

TEST_F(AssemblyTest, SamplingTickStoresTheSampleAndRaisesTheNoticeForANonWorkProgram) {
    emit form_->tmrSave->OnTimer();

    EXPECT_EQ(Rows(), 1u);
    EXPECT_EQ(ForegroundInfo.ExeName, "notepad.exe");
    EXPECT_EQ(ForegroundInfo.ProcessId, 4242u);
    TfrmDealUnwork* notice = assembly_->DealUnwork();
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->ProcessName(), "notepad.exe");
    EXPECT_EQ(notice->ProgramName(), G("记事本 - 计划"));
    EXPECT_EQ(notice->ProcessId(), 4242u);
}

TEST_F(AssemblyTest, AWorkProgramIsSampledWithoutAReaction) {
    TDBFunc::InsertProgram("NOTEPAD.EXE", G("记事本"), "");
    TDBFunc::SetProgramState(1, G("记事本"));

    emit form_->tmrSave->OnTimer();
    emit form_->tmrSave->OnTimer();

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
        emit form_->tmrSave->OnTimer();
        emit form_->tmrSave->OnTimer();
        handedOverInside = notice->isVisible();
        notice->hide();
        box->close();
    });
    emit form_->tmrSave->OnTimer();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(text, QStringLiteral("write wrong"));
    EXPECT_TRUE(handedOverInside);
    // The first tick hands over once its box is closed.
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(ForegroundInfo.ExeName, "notepad.exe");

    // A later failing tick shows the box again.
    notice->hide();
    vh::test::AnswerNextModal([&](QWidget* box) {
        boxes.push_back(box);
        box->close();
    });
    emit form_->tmrSave->OnTimer();
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(AssemblyTest, ScheduleTickArmsSamplingInsideThePeriod) {
    vh::SetClock([] { return vh::DateTime{2026, 12, 9, 10, 0, 0, 0}; });
    db_.App().WriteFile("Config.ini", "[TimeConfig]\r\nTaskexecutype=0\r\nTimeFrom=9:0:0\r\nTimeEnd=11:0:0\r\n"
                                      "MonitorInterval=2\r\n");
    LoadSchedule(form_->rzIniInfo);

    emit form_->tmrTimeRange->OnTimer();
    EXPECT_TRUE(form_->tmrSave->Enabled());
    EXPECT_EQ(form_->tmrSave->Interval(), 120000);

    vh::SetClock([] { return vh::DateTime{2026, 12, 9, 11, 0, 0, 0}; });
    emit form_->tmrTimeRange->OnTimer();
    EXPECT_FALSE(form_->tmrSave->Enabled());
}

TEST_F(AssemblyTest, TipsTickRotatesTheTipLine) {
    TipList = {G("第一条"), G("第二条")};
    TipIndex = 0;
    emit form_->tmrTips->OnTimer();
    EXPECT_EQ(TipIndex, 1);
    emit form_->tmrTips->OnTimer();
    EXPECT_EQ(TipIndex, 0);
}

TEST_F(AssemblyTest, EveryPageOfTheSubsystemsIsInPlace) {
    for (const char* name :
         {"RTSTabMonitorCaption", "RTSTSStatistic", "RTSTSSysSetting", "RTSTabSheet3", "RTSWorkSet", "RTSTabSheet6"}) {
        form_->OpenPage(QString::fromLatin1(name));
        EXPECT_EQ(form_->CurrentPageName(), QString::fromLatin1(name));
        ASSERT_NE(form_->Page(QString::fromLatin1(name)), nullptr);
        // A placeholder is a bare QWidget; the real pages are their own classes.
        EXPECT_STRNE(form_->Page(QString::fromLatin1(name))->metaObject()->className(), "QWidget") << name;
    }
}

TEST_F(AssemblyTest, EveryControlFitsInThePageArea) {
    const QRect area(QPoint(0, 0), form_->findChild<QWidget*>(QStringLiteral("RPCHelp"))->size());
    for (const char* name : TForm1::kPageNames) {
        QWidget* page = form_->Page(QString::fromLatin1(name));
        ASSERT_NE(page, nullptr) << name;
        for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!w->isVisibleTo(page) && !w->isHidden())
                continue;
            EXPECT_TRUE(area.contains(w->geometry()))
                << name << " " << w->objectName().toStdString() << " at " << w->x() << "," << w->y() << " "
                << w->width() << "x" << w->height();
        }
    }
}

} // namespace
