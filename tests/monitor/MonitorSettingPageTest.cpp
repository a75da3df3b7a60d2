// The monitor-setting page and the schedule timer's tick, with real widgets (offscreen) and real timers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <memory>
#include <string>

#include "monitor/MonitorSettingPage.h"
#include "monitor/Schedule.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"
#include "support/FakePageHost.h"
#include "support/QtApp.h"
#include "support/TempFolder.h"
#include "support/TestClock.h"
#include "toolkit/TTimer.h"

namespace fs = std::filesystem;

namespace {

vh::DateTime At(int h, int m, int s) {
    return vh::test::At(2026, 12, 9, h, m, s);
}

class MonitorPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        // No database anywhere below this folder.
        settings_.SetSettingsPath((dir_ / "Config.ini").string());
        host_.TimerOf(vh::Timer::TimeRange).SetInterval(3000);
        page_ = std::make_unique<TMonitorSettingPage>(host_, settings_, schedule_, nullptr);
    }
    void TearDown() override { page_.reset(); }
    template <class T> T* Get(const char* name) {
        T* w = page_->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QComboBox* Cbx(int i) { return Get<QComboBox>(("suiCbx" + std::to_string(i)).c_str()); }

    vh::test::AppFolder app_;
    const fs::path dir_ = app_.Folder();
    TSettingsAccessor settings_;
    TMonitorSchedule schedule_;
    vh::test::TestClock clock_{At(12, 0, 0)};
    vh::test::FakePageHost host_;
    std::unique_ptr<TMonitorSettingPage> page_;
};

TEST_F(MonitorPageTest, ControlsAsDesigned) {
    EXPECT_EQ(page_->objectName(), vh::PageName(vh::Page::MonitorSetting));
    QStringList labels;
    for (QLabel* l : page_->findChildren<QLabel*>())
        labels << l->text();
    for (const char* t : {"时间分析设定", "从", "到", "每隔", "分钟进行一次记录"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(t))) << t;
    EXPECT_EQ(Get<QRadioButton>("suiRbtn1")->text(), QString::fromUtf8("每天"));
    EXPECT_EQ(Get<QRadioButton>("suiRbtn2")->text(), QString::fromUtf8("仅此一次"));
    EXPECT_EQ(Get<QRadioButton>("suiRadioButton1")->text(), QString::fromUtf8("取消设定"));
    EXPECT_TRUE(Get<QRadioButton>("suiRbtn1")->isChecked());
    EXPECT_EQ(Get<QPushButton>("btn13")->text(), QString::fromUtf8("应用"));
    EXPECT_EQ(Get<QPushButton>("btn12")->text(), QString::fromUtf8("清除"));
    EXPECT_EQ(Get<QPushButton>("btn26")->text(), QString::fromUtf8("工作程序设定"));
    const int counts[] = {24, 60, 60, 24, 60, 60};
    for (int i = 1; i <= 6; ++i) {
        QComboBox* box = Cbx(i);
        ASSERT_EQ(box->count(), counts[i - 1]);
        EXPECT_FALSE(box->isEditable());
        EXPECT_EQ(box->currentIndex(), 0);
        for (int v = 0; v < box->count(); ++v)
            EXPECT_EQ(box->itemText(v), QString::number(v));
    }

    // The radio buttons are one group.
    Get<QRadioButton>("suiRbtn2")->click();
    EXPECT_FALSE(Get<QRadioButton>("suiRbtn1")->isChecked());
    Get<QPushButton>("btn26")->click();
    ASSERT_EQ(host_.openedPages.size(), 1u);
    EXPECT_EQ(host_.openedPages[0], vh::Page::WorkSet);
}

TEST_F(MonitorPageTest, FillShowsTheScheduleAndLeavesUnreadableTimesUnselected) {
    schedule_ = {1, "9:25:30", "18:0:5", 10};
    page_->FillScheduleControls();
    EXPECT_TRUE(Get<QRadioButton>("suiRbtn2")->isChecked());
    const char* want[] = {"9", "25", "30", "18", "0", "5"};
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(Cbx(i)->currentText(), QString(want[i - 1])) << i;
    EXPECT_EQ(Get<QLineEdit>("sNumEdt1")->text(), "10");

    schedule_ = {2, "0:0:0", "23:59:59", 1};
    page_->FillScheduleControls();
    EXPECT_TRUE(Get<QRadioButton>("suiRadioButton1")->isChecked());

    // An unknown type leaves the radio group as it was; a hand-edited time leaves its selectors empty.
    schedule_ = {5, "8:77:0", "17:0:0", 3};
    ASSERT_NO_THROW(page_->FillScheduleControls());
    EXPECT_TRUE(Get<QRadioButton>("suiRadioButton1")->isChecked());
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(Cbx(i)->currentIndex(), -1) << i;
    EXPECT_EQ(Cbx(4)->currentText(), "17");
    EXPECT_EQ(Get<QLineEdit>("sNumEdt1")->text(), "3");
}

TEST_F(MonitorPageTest, ClearEmptiesTheControlsAndStoresNothing) {
    schedule_ = {1, "9:25:30", "18:0:5", 10};
    page_->FillScheduleControls();
    Get<QPushButton>("btn12")->click();
    EXPECT_TRUE(Get<QRadioButton>("suiRbtn1")->isChecked());
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(Cbx(i)->currentIndex(), -1) << i;
        EXPECT_EQ(Cbx(i)->currentText(), "") << i;
    }
    EXPECT_EQ(Get<QLineEdit>("sNumEdt1")->text(), "");
    EXPECT_FALSE(fs::exists(dir_ / "Config.ini"));
    EXPECT_FALSE(host_.TimerOf(vh::Timer::TimeRange).Enabled());
    EXPECT_TRUE(host_.notices.empty());
    EXPECT_EQ(schedule_.TimeFrom, "9:25:30");
}

TEST_F(MonitorPageTest, ScheduleTickStartsRearmsAndStopsSampling) {
    vh::TTimer tmrSave(nullptr, 0, false);
    schedule_ = {0, "8:0:0", "17:0:0", 5};
    settings_.WriteText("TimeConfig", "DaySetting", "2026-12-09");

    clock_.Set(At(7, 59, 0));
    tmrTimeRangeTimer(settings_, schedule_, tmrSave);
    EXPECT_FALSE(tmrSave.Enabled());

    clock_.Set(At(8, 0, 1));
    tmrTimeRangeTimer(settings_, schedule_, tmrSave);
    EXPECT_TRUE(tmrSave.Enabled());
    EXPECT_TRUE(tmrSave.IsActive());
    EXPECT_EQ(tmrSave.Interval(), 300000);

    // Already right: left alone.
    tmrTimeRangeTimer(settings_, schedule_, tmrSave);
    EXPECT_TRUE(tmrSave.IsActive());
    EXPECT_EQ(tmrSave.Interval(), 300000);

    // A new interval applied meanwhile: re-armed at the next tick.
    schedule_.MonitorInterval = 10;
    tmrTimeRangeTimer(settings_, schedule_, tmrSave);
    EXPECT_TRUE(tmrSave.IsActive());
    EXPECT_EQ(tmrSave.Interval(), 600000);

    // Stopped by hand (a failed sample does so): restarted.
    tmrSave.Stop();
    tmrTimeRangeTimer(settings_, schedule_, tmrSave);
    EXPECT_TRUE(tmrSave.IsActive());

    clock_.Set(At(17, 0, 0));
    tmrTimeRangeTimer(settings_, schedule_, tmrSave);
    EXPECT_FALSE(tmrSave.Enabled());
    EXPECT_FALSE(tmrSave.IsActive());

    // Cancelled: stops within one tick even inside the hours.
    clock_.Set(At(12, 0, 0));
    tmrTimeRangeTimer(settings_, schedule_, tmrSave);
    EXPECT_TRUE(tmrSave.IsActive());
    schedule_.TaskType = 2;
    tmrTimeRangeTimer(settings_, schedule_, tmrSave);
    EXPECT_FALSE(tmrSave.Enabled());

    // A hand-edited interval no timer can hold: enabled but never firing, and not re-armed every tick.
    schedule_ = {0, "8:0:0", "17:0:0", 0};
    tmrTimeRangeTimer(settings_, schedule_, tmrSave);
    EXPECT_TRUE(tmrSave.Enabled());
    EXPECT_FALSE(tmrSave.IsActive());
    EXPECT_EQ(tmrSave.Interval(), 0);
}

} // namespace
