// The start-up steps as plain logic over a real Config.ini and a real tips file, with the window's part
// recorded: which steps run, in which order, and what the settings and the answers decide.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

#include "app/Startup.h"
#include "monitor/Schedule.h"
#include "platform/ProfileString.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"
#include "support/TempFolder.h"
#include "support/TestClock.h"
#include "update/Tips.h"

namespace {

std::string G(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

// The main window's part, as a log; answers as told.
class RecordedScreen : public vh::app::StartupScreen {
public:
    void CreateDialogs() override { log.push_back("dialogs"); }
    bool AskStartPassword() override {
        log.push_back("login");
        return !exitAtLogin;
    }
    bool Ask(const std::string& caption, const std::string& text) override {
        log.push_back("ask " + caption);
        asked = text;
        return !terminated && answer;
    }
    void StartScheduleTimer() override { log.push_back("schedule timer"); }
    void ShowMainPage() override { log.push_back("main page"); }
    void MinimizeWhenRunning() override { log.push_back("minimise"); }
    void EnableUpdateTimer(bool enabled) override { log.push_back(enabled ? "update on" : "update off"); }
    void SetTipsInterval(int ms) override { log.push_back("tips " + std::to_string(ms)); }
    void ReportError(const std::string& text) override { errors.push_back(text); }
    void Terminate() override {
        log.push_back("terminate");
        terminated = true;
    }
    bool Terminated() const override { return terminated; }

    bool exitAtLogin = false;
    bool answer = true;
    bool terminated = false;
    std::string asked;
    std::vector<std::string> log;
    std::vector<std::string> errors;
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { settings_.SetSettingsPath(Config()); }
    std::string Config() const { return folder_.Path() + "/Config.ini"; }
    std::string TipsFile() const { return folder_.Path() + "/SuccessTips.txt"; }
    void Write(const std::string& text) { std::ofstream(Config(), std::ios::binary | std::ios::trunc) << text; }
    std::string Get(const char* section, const char* key) {
        return vh::platform::ReadProfileString(Config(), section, key, "<missing>");
    }
    void Run() { vh::app::RunStartup({settings_, schedule_, tips_, TipsFile()}, screen_); }

    vh::test::TempFolder folder_;
    vh::test::TestClock clock_{vh::test::At(2026, 12, 9, 10, 0, 0)};
    TSettingsAccessor settings_;
    TMonitorSchedule schedule_;
    TTips tips_;
    RecordedScreen screen_;
};

// Inside the period 9:00 to 17:00 of every day.
const char* const kInside =
    "[TimeConfig]\r\nTaskexecutype=0\r\nTimeFrom=9:0:0\r\nTimeEnd=17:0:0\r\nMonitorInterval=5\r\n";

TEST_F(StartupTest, StepsRunInTheirOrderWithTheDefaultsOfAMissingFile) {
    std::ofstream(TipsFile()) << "A\nB\n";
    Run();
    // Password asked, outside any period (times default to now), to the tray, update on, a minute of tips.
    EXPECT_EQ(screen_.log,
              (std::vector<std::string>{"dialogs", "login", "main page", "minimise", "update on", "tips 60000"}));
    EXPECT_TRUE(screen_.errors.empty());
    EXPECT_EQ(Get("SystemSet", "Version"), "1.2");
    EXPECT_EQ(tips_.List(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(schedule_.MonitorInterval, 1);
}

TEST_F(StartupTest, SettingsDecideTheSteps) {
    Write(std::string("[Security]\r\nStartPasswd=0\r\n[System]\r\nAutoMinimize=0\r\n[OtherSettings]\r\n"
                      "AutoUpdate=0\r\nTipInterval=5\r\n[SystemSet]\r\nVersion=1.0\r\n") +
          kInside);
    Run();
    // AutoTask missing: on, so inside the period the schedule timer starts without a question.
    EXPECT_EQ(screen_.log,
              (std::vector<std::string>{"dialogs", "schedule timer", "main page", "update off", "tips 5000"}));
    EXPECT_EQ(Get("SystemSet", "Version"), "1.2");
    EXPECT_EQ(schedule_.TaskType, 0);
    EXPECT_EQ(schedule_.MonitorInterval, 5);

    // Intervals a timer cannot hold: capped, or a timer that never fires.
    for (const auto& [stored, expected] :
         {std::pair{"99999999", "tips 2147483000"}, {"-3", "tips 0"}, {"0", "tips 0"}, {"x", "tips 60000"}}) {
        vh::platform::WriteProfileString(Config(), "OtherSettings", "TipInterval", stored);
        screen_.log.clear();
        Run();
        EXPECT_EQ(screen_.log.back(), expected) << stored;
    }
}

TEST_F(StartupTest, InsideThePeriodWithAutoTaskOffAsksADeclineCancelsAndAnExitLeavesTheSchedule) {
    Write(std::string("[Security]\r\nStartPasswd=0\r\n[System]\r\nAutoTask=0\r\n") + kInside);
    screen_.answer = true;
    Run();
    EXPECT_EQ(screen_.log[1], "ask " + G("信息"));
    EXPECT_EQ(screen_.log[2], "schedule timer");
    EXPECT_EQ(screen_.asked, G("根据设定，您已经设定了要进行时间监视任务，以便分析，现在运行此任务么？"));
    EXPECT_EQ(Get("TimeConfig", "Taskexecutype"), "0");

    screen_.answer = false;
    screen_.log.clear();
    Run();
    EXPECT_EQ(std::count(screen_.log.begin(), screen_.log.end(), "schedule timer"), 0);
    EXPECT_EQ(Get("TimeConfig", "Taskexecutype"), "2");
    EXPECT_EQ(schedule_.TaskType, 2);
    // A cancelled schedule is never inside its period: the next start does not ask.
    screen_.log.clear();
    Run();
    EXPECT_EQ(std::count(screen_.log.begin(), screen_.log.end(), "ask " + G("信息")), 0);

    // Exit at the login: no question, so no cancelled schedule; the remaining steps still run.
    Write(std::string("[System]\r\nAutoTask=0\r\n") + kInside);
    screen_.exitAtLogin = true;
    screen_.log.clear();
    Run();
    EXPECT_EQ(screen_.log[1], "login");
    EXPECT_EQ(screen_.log[2], "terminate");
    EXPECT_EQ(std::count(screen_.log.begin(), screen_.log.end(), "ask " + G("信息")), 0);
    EXPECT_EQ(Get("TimeConfig", "Taskexecutype"), "0");
    EXPECT_EQ(Get("SystemSet", "Version"), "1.2");
}

// A step that fails is reported and ends start-up; a refused version write is reported once and start-up
// goes on.
TEST_F(StartupTest, AFailingStepEndsStartUpButARefusedVersionWriteDoesNot) {
    Write("[Security]\r\nStartPasswd=0\r\n");
    // A tips file that exists but cannot be read: its step fails, the tips interval is not set.
    symlink("/proc/self/mem", TipsFile().c_str());
    Run();
    ASSERT_EQ(screen_.errors.size(), 1u);
    EXPECT_NE(screen_.errors[0].find("I/O error"), std::string::npos) << screen_.errors[0];
    EXPECT_EQ(screen_.log.back(), "update on");

    std::remove(TipsFile().c_str());
    Write("[Security]\r\nStartPasswd=0\r\n[OtherSettings]\r\nAutoUpdate=0\r\nTipInterval=5\r\n");
    screen_.errors.clear();
    // A read-only file; root ignores the mode, so a file-size limit refuses the rewrite as well.
    chmod(Config().c_str(), 0444);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
    rlimit tiny{16, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &tiny);
    Run();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldSignal);
    chmod(Config().c_str(), 0644);
    EXPECT_EQ(screen_.errors, std::vector<std::string>{"Unable to write to " + Config()});
    EXPECT_EQ(Get("SystemSet", "Version"), "<missing>");
    EXPECT_EQ(screen_.log.back(), "tips 5000");
}

} // namespace
