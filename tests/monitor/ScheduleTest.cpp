// The period test, storing the schedule, the apply check and the start-up decision, against a real
// Config.ini in a temporary folder and the injected clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "monitor/Schedule.h"
#include "platform/Clock.h"
#include "settings/SettingsAccessor.h"
#include "support/TempFolder.h"
#include "support/TestClock.h"

namespace fs = std::filesystem;

namespace {

using vh::test::At;

class ScheduleTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.SetSettingsPath((dir_ / "Config.ini").string());
        SetTime(At(2026, 12, 9, 10, 0, 0));
    }
    void SetTime(const vh::DateTime& t) { clock_.Set(t); }
    void WriteIni(const std::string& text) { std::ofstream(dir_ / "Config.ini", std::ios::binary) << text; }
    std::string IniText() { return vh::test::ReadAll((dir_ / "Config.ini").string()); }
    bool InsideAt(int h, int m, int s, int ms = 0) {
        SetTime(At(clock_.Now().year, clock_.Now().month, clock_.Now().day, h, m, s, ms));
        return IsInPeriod(settings_, schedule_);
    }

    vh::test::TempFolder folder_;
    const fs::path dir_ = folder_.Path();
    TSettingsAccessor settings_;
    TMonitorSchedule schedule_;
    vh::test::TestClock clock_;
};

TEST_F(ScheduleTest, BothEndsAreExcludedToTheSecond) {
    SaveSchedule(settings_, 0, "8:0:0", 5, "17:30:0");
    LoadSchedule(settings_, schedule_);
    EXPECT_FALSE(InsideAt(7, 59, 59));
    EXPECT_FALSE(InsideAt(8, 0, 0));
    EXPECT_FALSE(InsideAt(8, 0, 0, 999)); // only whole seconds count
    EXPECT_TRUE(InsideAt(8, 0, 1));
    EXPECT_TRUE(InsideAt(12, 0, 0));
    EXPECT_TRUE(InsideAt(17, 29, 59));
    EXPECT_TRUE(InsideAt(17, 29, 59, 999));
    EXPECT_FALSE(InsideAt(17, 30, 0));
    EXPECT_FALSE(InsideAt(23, 0, 0));
    // Every day: later dates are inside too.
    SetTime(At(2027, 3, 1, 9, 0, 0));
    EXPECT_TRUE(IsInPeriod(settings_, schedule_));
}

TEST_F(ScheduleTest, PeriodAcrossMidnightIsNeverInside) {
    SaveSchedule(settings_, 0, "22:0:0", 5, "6:0:0");
    LoadSchedule(settings_, schedule_);
    for (int h = 0; h < 24; ++h)
        EXPECT_FALSE(InsideAt(h, 30, 0)) << h;
    EXPECT_FALSE(InsideAt(22, 0, 1));
    EXPECT_FALSE(InsideAt(5, 59, 59));
}

TEST_F(ScheduleTest, OnceRunsOnlyOnTheDayItWasApplied) {
    SaveSchedule(settings_, 1, "8:0:0", 5, "17:0:0");
    LoadSchedule(settings_, schedule_);
    EXPECT_EQ(schedule_.TaskType, 1);
    EXPECT_TRUE(InsideAt(10, 0, 0));
    SetTime(At(2026, 12, 10, 10, 0, 0));
    EXPECT_FALSE(IsInPeriod(settings_, schedule_));
    LoadSchedule(settings_, schedule_);
    EXPECT_FALSE(IsInPeriod(settings_, schedule_));
    EXPECT_EQ(settings_.ReadText("TimeConfig", "Taskexecutype", ""), "1");
    // A missing day counts as today.
    WriteIni("[TimeConfig]\nTaskexecutype=1\nTimeFrom=8:0:0\nTimeEnd=17:0:0\nMonitorInterval=5\n");
    LoadSchedule(settings_, schedule_);
    EXPECT_TRUE(IsInPeriod(settings_, schedule_));
}

TEST_F(ScheduleTest, CancelledIsNeverInsideAndUnknownTypeActsAsEveryDay) {
    SaveSchedule(settings_, 2, "0:0:0", 5, "23:59:59");
    LoadSchedule(settings_, schedule_);
    EXPECT_FALSE(InsideAt(12, 0, 0));
    WriteIni("[TimeConfig]\nTaskexecutype=5\nTimeFrom=8:0:0\nTimeEnd=17:0:0\nMonitorInterval=5\n"
             "DaySetting=2020-01-01\n");
    LoadSchedule(settings_, schedule_);
    EXPECT_EQ(schedule_.TaskType, 5);
    EXPECT_TRUE(InsideAt(12, 0, 0));
    EXPECT_FALSE(InsideAt(8, 0, 0));
}

TEST_F(ScheduleTest, SaveWritesTheFiveKeysAndLoadReadsThemBack) {
    SaveSchedule(settings_, 1, "9:25:30", 10, "18:5:0");
    const std::string ini = IniText();
    EXPECT_NE(ini.find("[TimeConfig]"), std::string::npos);
    EXPECT_NE(ini.find("Taskexecutype=1"), std::string::npos);
    EXPECT_NE(ini.find("TimeFrom=9:25:30"), std::string::npos);
    EXPECT_NE(ini.find("TimeEnd=18:5:0"), std::string::npos);
    EXPECT_NE(ini.find("MonitorInterval=10"), std::string::npos);
    EXPECT_NE(ini.find("DaySetting=2026-12-09"), std::string::npos);

    LoadSchedule(settings_, schedule_);
    EXPECT_EQ(schedule_.TaskType, 1);
    EXPECT_EQ(schedule_.TimeFrom, "9:25:30");
    EXPECT_EQ(schedule_.TimeEnd, "18:5:0");
    EXPECT_EQ(schedule_.MonitorInterval, 10);
    int h = 0, m = 0, s = 0;
    ASSERT_TRUE(vh::ParseTimeOfDay(schedule_.TimeFrom, h, m, s));
    EXPECT_EQ(h * 10000 + m * 100 + s, 92530);

    // A second save replaces the values in place.
    SaveSchedule(settings_, 0, "8:0:0", 5, "17:0:0");
    LoadSchedule(settings_, schedule_);
    EXPECT_EQ(schedule_.TaskType, 0);
    EXPECT_EQ(schedule_.TimeFrom, "8:0:0");
    EXPECT_EQ(schedule_.MonitorInterval, 5);
}

TEST_F(ScheduleTest, MissingKeysGiveAnEmptyPeriodUntilApplied) {
    SetTime(At(2026, 12, 9, 10, 5, 7));
    LoadSchedule(settings_, schedule_);
    EXPECT_EQ(schedule_.MonitorInterval, 1);
    EXPECT_EQ(schedule_.TaskType, 1);
    EXPECT_EQ(schedule_.TimeFrom, "10:05:07");
    EXPECT_EQ(schedule_.TimeEnd, "10:05:07");
    EXPECT_FALSE(IsInPeriod(settings_, schedule_));
    EXPECT_FALSE(InsideAt(10, 5, 8));
}

TEST_F(ScheduleTest, UnreadableStoredTimesAreNeverInside) {
    for (const char* bad : {"", "abc", "25:0:0", "8:60:0", "::", "8:0:0:0", "8;0;0"}) {
        WriteIni(std::string("[TimeConfig]\nTaskexecutype=0\nTimeFrom=") + bad +
                 "\nTimeEnd=17:0:0\nMonitorInterval=5\n");
        ASSERT_NO_THROW(LoadSchedule(settings_, schedule_)) << bad;
        EXPECT_FALSE(InsideAt(12, 0, 0)) << bad;
        WriteIni(std::string("[TimeConfig]\nTaskexecutype=0\nTimeFrom=8:0:0\nTimeEnd=") + bad +
                 "\nMonitorInterval=5\n");
        ASSERT_NO_THROW(LoadSchedule(settings_, schedule_)) << bad;
        EXPECT_FALSE(InsideAt(12, 0, 0)) << bad;
    }
    // The long time format the defaults are written in reads back too.
    WriteIni("[TimeConfig]\nTaskexecutype=0\nTimeFrom=08:00:00\nTimeEnd=17:00:00\n");
    LoadSchedule(settings_, schedule_);
    EXPECT_TRUE(InsideAt(12, 0, 0));
}

TScheduleInput Input(int type, int fh, int fm, int fs, int eh, int em, int es, const std::string& interval) {
    TScheduleInput in;
    in.TaskType = type;
    in.FromHour = fh;
    in.FromMinute = fm;
    in.FromSecond = fs;
    in.EndHour = eh;
    in.EndMinute = em;
    in.EndSecond = es;
    in.IntervalText = interval;
    return in;
}

TEST(ScheduleInputTest, ApplyCheckRejectsWhatCouldNotBeUsedLater) {
    EXPECT_TRUE(IsValidScheduleInput(Input(0, 8, 0, 0, 17, 30, 0, "5")));
    EXPECT_TRUE(IsValidScheduleInput(Input(1, 0, 0, 0, 23, 59, 59, "1")));
    EXPECT_TRUE(IsValidScheduleInput(Input(0, 8, 0, 0, 8, 0, 1, "35791")));

    // Any empty selector, as "清除" leaves them.
    for (int i = 0; i < 6; ++i) {
        TScheduleInput in = Input(0, 8, 0, 0, 17, 30, 0, "5");
        int* fields[] = {&in.FromHour, &in.FromMinute, &in.FromSecond, &in.EndHour, &in.EndMinute, &in.EndSecond};
        *fields[i] = -1;
        EXPECT_FALSE(IsValidScheduleInput(in)) << i;
        in.TaskType = 2;
        EXPECT_FALSE(IsValidScheduleInput(in)) << i;
    }
    EXPECT_FALSE(IsValidScheduleInput(Input(0, 24, 0, 0, 17, 0, 0, "5")));
    EXPECT_FALSE(IsValidScheduleInput(Input(0, 8, 60, 0, 17, 0, 0, "5")));

    // Intervals: whole minutes whose milliseconds fit the timer.
    for (const char* bad : {"", " ", "0", "-1", "35792", "99999999999999999999", "1.5", "abc", "5m", "0x10"})
        EXPECT_FALSE(IsValidScheduleInput(Input(0, 8, 0, 0, 17, 0, 0, bad))) << bad;
    int minutes = 0;
    ASSERT_TRUE(ParseMonitorInterval(" 007 ", minutes));
    EXPECT_EQ(minutes, 7);

    // Start not earlier than end: empty or across midnight, never inside; cancelling needs no period.
    EXPECT_FALSE(IsValidScheduleInput(Input(0, 8, 0, 0, 8, 0, 0, "5")));
    EXPECT_FALSE(IsValidScheduleInput(Input(1, 22, 0, 0, 6, 0, 0, "5")));
    EXPECT_FALSE(IsValidScheduleInput(Input(0, 17, 30, 1, 17, 30, 0, "5")));
    EXPECT_TRUE(IsValidScheduleInput(Input(2, 22, 0, 0, 6, 0, 0, "5")));
    EXPECT_TRUE(IsValidScheduleInput(Input(2, 0, 0, 0, 0, 0, 0, "5")));
    EXPECT_FALSE(IsValidScheduleInput(Input(2, 0, 0, 0, 0, 0, 0, "0")));

    EXPECT_EQ(BuildTimeText(8, 0, 0), "8:0:0");
    EXPECT_EQ(BuildTimeText(23, 59, 5), "23:59:5");
}

TEST(SamplingDecisionTest, IntervalAndAction) {
    EXPECT_EQ(SamplingIntervalMs(5), 300000);
    EXPECT_EQ(SamplingIntervalMs(MaxMonitorInterval), 2147460000);
    // Hand-edited values that no timer can hold: a timer that never fires.
    EXPECT_EQ(SamplingIntervalMs(0), 0);
    EXPECT_EQ(SamplingIntervalMs(-3), 0);
    EXPECT_EQ(SamplingIntervalMs(MaxMonitorInterval + 1), 0);

    EXPECT_EQ(DecideSampling(true, false, 300000, 300000), TSamplingAction::Restart);
    EXPECT_EQ(DecideSampling(true, true, 300000, 300000), TSamplingAction::Keep);
    EXPECT_EQ(DecideSampling(true, true, 300000, 600000), TSamplingAction::Restart);
    EXPECT_EQ(DecideSampling(false, true, 300000, 300000), TSamplingAction::Stop);
    EXPECT_EQ(DecideSampling(false, false, 0, 300000), TSamplingAction::Stop);
}

TEST_F(ScheduleTest, StartUpAsksOnlyInsideThePeriodWithAutoTaskOff) {
    SaveSchedule(settings_, 0, "8:0:0", 5, "17:0:0");
    LoadSchedule(settings_, schedule_);
    SetTime(At(2026, 12, 9, 7, 0, 0));
    EXPECT_EQ(DecideStartupTask(settings_, schedule_), TStartupTask::Nothing);
    SetTime(At(2026, 12, 9, 12, 0, 0));
    EXPECT_EQ(DecideStartupTask(settings_, schedule_), TStartupTask::StartTimer); // AutoTask missing: on
    settings_.WriteFlag("System", "AutoTask", false);
    EXPECT_EQ(DecideStartupTask(settings_, schedule_), TStartupTask::Ask);
    SetTime(At(2026, 12, 9, 18, 0, 0));
    EXPECT_EQ(DecideStartupTask(settings_, schedule_), TStartupTask::Nothing);

    // Declining cancels the schedule, so the next start does not ask again.
    SetTime(At(2026, 12, 9, 12, 0, 0));
    DeclineStartupTask(settings_, schedule_);
    EXPECT_EQ(schedule_.TaskType, 2);
    EXPECT_EQ(settings_.ReadText("TimeConfig", "TaskExecutype", ""), "2");
    EXPECT_EQ(schedule_.TimeFrom, "8:0:0");
    LoadSchedule(settings_, schedule_);
    EXPECT_EQ(schedule_.TaskType, 2);
    EXPECT_EQ(DecideStartupTask(settings_, schedule_), TStartupTask::Nothing);
}

} // namespace
