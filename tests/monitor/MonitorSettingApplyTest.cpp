// Applying the schedule on the monitor-setting page against a real database file and a real Config.ini.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "monitor/MonitorSettingPage.h"
#include "monitor/Schedule.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"
#include "storage/uDBMoudle.h"
#include "support/FakePageHost.h"
#include "support/QtApp.h"
#include "support/TestClock.h"
#include "support/TestDatabase.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/TTimer.h"

namespace {

std::string Gbk(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

std::vector<std::string> shownErrors;
void CollectError(const std::string& gbk) {
    shownErrors.push_back(gbk);
}

vh::DateTime At(int h, int m, int s) {
    return vh::test::At(2026, 12, 9, h, m, s);
}

class MonitorApplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_.TimerOf(vh::Timer::TimeRange).SetInterval(3000);
        host_.TimerOf(vh::Timer::Save).SetInterval(0);
    }
    void TearDown() override {
        page_.reset();
        db_.reset();
    }
    void Start(bool withDatabase) {
        db_ = std::make_unique<vh::test::TestDatabase>(withDatabase);
        settings_.SetSettingsPath(db_->App().Path("Config.ini"));
        page_ = std::make_unique<TMonitorSettingPage>(host_, settings_, schedule_, nullptr);
    }
    template <class T> T* Get(const char* name) {
        T* w = page_->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Sets the six selectors and the interval edit as the user would.
    void Enter(const char* radio, int fh, int fm, int fs, int eh, int em, int es, const char* interval) {
        Get<QRadioButton>(radio)->click();
        const int values[] = {fh, fm, fs, eh, em, es};
        for (int i = 0; i < 6; ++i)
            Get<QComboBox>(("suiCbx" + std::to_string(i + 1)).c_str())->setCurrentIndex(values[i]);
        Get<QLineEdit>("sNumEdt1")->setText(interval);
    }
    void Apply() { Get<QPushButton>("btn13")->click(); }
    std::string Ini() {
        std::ifstream in(db_->App().Path("Config.ini"), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string Key(const char* key) { return settings_.ReadText("TimeConfig", key, "<none>"); }

    std::unique_ptr<vh::test::TestDatabase> db_;
    TSettingsAccessor settings_;
    TMonitorSchedule schedule_;
    vh::test::TestClock clock_{At(12, 0, 0)};
    vh::test::FakePageHost host_;
    std::unique_ptr<TMonitorSettingPage> page_;
};

TEST_F(MonitorApplyTest, ApplyStoresTheScheduleAndRestartsTheScheduleTimer) {
    Start(true);
    ASSERT_TRUE(db_->Module().Connected());
    Enter("suiRbtn2", 9, 25, 30, 18, 0, 0, "5");
    Apply();

    ASSERT_EQ(host_.notices.size(), 1u);
    EXPECT_EQ(host_.notices[0].caption, Gbk("信息"));
    EXPECT_EQ(host_.notices[0].text, Gbk("设定成功生效。"));
    ASSERT_EQ(host_.shownPages.size(), 1u);
    EXPECT_EQ(host_.shownPages[0], vh::Page::Main);
    EXPECT_TRUE(db_->Module().Connected());
    EXPECT_TRUE(host_.TimerOf(vh::Timer::TimeRange).IsActive());
    EXPECT_EQ(host_.TimerOf(vh::Timer::TimeRange).Interval(), 3000);

    EXPECT_EQ(Key("Taskexecutype"), "1");
    EXPECT_EQ(Key("TimeFrom"), "9:25:30");
    EXPECT_EQ(Key("TimeEnd"), "18:0:0");
    EXPECT_EQ(Key("MonitorInterval"), "5");
    EXPECT_EQ(Key("Daysetting"), "2026-12-09");
    EXPECT_NE(Ini().find("DaySetting=2026-12-09"), std::string::npos);
    EXPECT_EQ(schedule_.TaskType, 1);
    EXPECT_EQ(schedule_.TimeFrom, "9:25:30");
    EXPECT_EQ(schedule_.MonitorInterval, 5);
    EXPECT_TRUE(IsInPeriod(settings_, schedule_));

    // Reopening (also after a restart of the program) selects what was applied.
    schedule_ = TMonitorSchedule{};
    LoadSchedule(settings_, schedule_);
    page_ = std::make_unique<TMonitorSettingPage>(host_, settings_, schedule_, nullptr);
    page_->FillScheduleControls();
    EXPECT_TRUE(Get<QRadioButton>("suiRbtn2")->isChecked());
    EXPECT_EQ(Get<QComboBox>("suiCbx1")->currentText(), "9");
    EXPECT_EQ(Get<QComboBox>("suiCbx2")->currentText(), "25");
    EXPECT_EQ(Get<QComboBox>("suiCbx3")->currentText(), "30");
    EXPECT_EQ(Get<QComboBox>("suiCbx4")->currentText(), "18");
    EXPECT_EQ(Get<QLineEdit>("sNumEdt1")->text(), "5");
}

TEST_F(MonitorApplyTest, ChangedIntervalRearmsSamplingAndCancelStopsIt) {
    Start(true);
    vh::TTimer& tmrSave = host_.TimerOf(vh::Timer::Save);
    Enter("suiRbtn1", 8, 0, 0, 17, 0, 0, "5");
    Apply();
    tmrTimeRangeTimer(settings_, schedule_, tmrSave);
    EXPECT_TRUE(tmrSave.IsActive());
    EXPECT_EQ(tmrSave.Interval(), 300000);

    Enter("suiRbtn1", 8, 0, 0, 17, 0, 0, "10");
    Apply();
    tmrTimeRangeTimer(settings_, schedule_, tmrSave);
    EXPECT_EQ(tmrSave.Interval(), 600000);
    EXPECT_TRUE(tmrSave.IsActive());

    // Cancelling needs no meaningful period.
    Enter("suiRadioButton1", 22, 0, 0, 6, 0, 0, "10");
    Apply();
    EXPECT_EQ(Key("Taskexecutype"), "2");
    EXPECT_EQ(host_.notices.back().text, Gbk("设定成功生效。"));
    tmrTimeRangeTimer(settings_, schedule_, tmrSave);
    EXPECT_FALSE(tmrSave.Enabled());
}

TEST_F(MonitorApplyTest, RejectedInputStoresAndRestartsNothing) {
    Start(true);
    SaveSchedule(settings_, 0, "8:0:0", 5, "17:0:0");
    const std::string before = Ini();

    // Which input the check refuses is the schedule's test; here the page's part: the notice, nothing stored.
    struct Case {
        const char* radio;
        int v[6];
        const char* interval;
    };
    const Case cases[] = {
        {"suiRbtn1", {8, 0, 0, 17, 0, 0}, "0"},  // no record would ever be taken
        {"suiRbtn2", {22, 0, 0, 6, 0, 0}, "5"},  // across midnight
        {"suiRbtn1", {-1, 0, 0, 17, 0, 0}, "5"}, // one selector empty
    };
    for (const Case& c : cases) {
        host_.notices.clear();
        Enter(c.radio, c.v[0], c.v[1], c.v[2], c.v[3], c.v[4], c.v[5], c.interval);
        Apply();
        ASSERT_EQ(host_.notices.size(), 1u) << c.interval;
        EXPECT_EQ(host_.notices[0].caption, Gbk("错误"));
        EXPECT_EQ(host_.notices[0].text, Gbk("时间设定有误，请重新设定"));
        EXPECT_EQ(Ini(), before);
        EXPECT_FALSE(host_.TimerOf(vh::Timer::TimeRange).Enabled());
        EXPECT_TRUE(host_.shownPages.empty());
    }

    // After "清除" nothing can be applied until the user chooses again.
    host_.notices.clear();
    Get<QPushButton>("btn12")->click();
    Apply();
    ASSERT_EQ(host_.notices.size(), 1u);
    EXPECT_EQ(host_.notices[0].text, Gbk("时间设定有误，请重新设定"));
    EXPECT_EQ(Ini(), before);
}

TEST_F(MonitorApplyTest, ApplyOpensTheFallbackDatabaseOrReportsItsAbsence) {
    Start(false); // the start-up opening of ABC.GDB failed
    ASSERT_FALSE(db_->Module().Connected());
    Enter("suiRbtn1", 8, 0, 0, 17, 0, 0, "5");
    Apply();
    ASSERT_EQ(host_.notices.size(), 1u);
    EXPECT_EQ(host_.notices[0].caption, Gbk("信息"));
    EXPECT_EQ(host_.notices[0].text, Gbk("数据库初始化出现错误，请检查相关设定。"));
    EXPECT_FALSE(std::filesystem::exists(db_->App().Path("Config.ini")));
    EXPECT_FALSE(host_.TimerOf(vh::Timer::TimeRange).Enabled());
    EXPECT_TRUE(host_.shownPages.empty());

    db_->App().CopyTemplateTo("data/abc.gdb");
    host_.notices.clear();
    Apply();
    ASSERT_EQ(host_.notices.size(), 1u);
    EXPECT_EQ(host_.notices[0].text, Gbk("设定成功生效。"));
    EXPECT_TRUE(db_->Module().Connected());
    EXPECT_EQ(Key("TimeFrom"), "8:0:0");
    EXPECT_TRUE(host_.TimerOf(vh::Timer::TimeRange).IsActive());
}

TEST_F(MonitorApplyTest, RefusedSettingsWriteIsReportedAndChangesNothing) {
    Start(true);
    schedule_ = {0, "8:0:0", "17:0:0", 5};
    // A settings file inside a folder that does not exist cannot be written.
    settings_.SetSettingsPath(db_->App().Path("missing") + "/sub/Config.ini");
    shownErrors.clear();
    vh::SetErrorSink(&CollectError);
    Enter("suiRbtn2", 9, 0, 0, 10, 0, 0, "7");
    Apply();
    vh::SetErrorSink(nullptr);
    ASSERT_EQ(shownErrors.size(), 1u);
    EXPECT_TRUE(host_.notices.empty());
    EXPECT_TRUE(host_.shownPages.empty());
    EXPECT_FALSE(host_.TimerOf(vh::Timer::TimeRange).Enabled());
    EXPECT_EQ(schedule_.TaskType, 0);
    EXPECT_EQ(schedule_.TimeFrom, "8:0:0");
    EXPECT_EQ(schedule_.MonitorInterval, 5);
}

} // namespace
