// The non-work reactions on a real X server: the close request of mode 1 and the notice's kill, against
// real test windows, with a real database behind the work-program query.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <csignal>
#include <ctime>
#include <sys/wait.h>

#include "monitor/ForegroundInfo.h"
#include "monitor/UnworkHandler.h"
#include "monitor/uDealUnwork.h"
#include "platform/WindowSystem.h"
#include "settings/SettingsAccessor.h"
#include "support/QtApp.h"
#include "support/TestDatabase.h"
#include "support/XvfbFixture.h"

namespace {

class UnworkX11 : public ::testing::Test {
protected:
    void SetUp() override {
        x_ = std::make_unique<vh::test::XvfbFixture>(false, 160, 169);
        vh::platform::SetWindowSystem(vh::platform::CreateWindowSystem());
        db_ = std::make_unique<vh::test::TestDatabase>();
        settings_.SetSettingsPath(ConfigFilePath());
    }
    void TearDown() override {
        vh::platform::SetWindowSystem(nullptr);
        db_.reset();
        x_.reset();
    }
    std::unique_ptr<vh::test::XvfbFixture> x_;
    std::unique_ptr<vh::test::TestDatabase> db_;
    TSettingsAccessor settings_;
};

TEST_F(UnworkX11, ModeOneClosesTheSampledWindowWithoutANotice) {
    auto client = vh::test::StartTestClient(*x_, {"--window", "--title", "game"});
    ASSERT_EQ(client.windows.size(), 1u);
    settings_.WriteNumber("system", "unwork", 1);
    const TForegroundInfo sample{"vh_x11client", "game", client.windows[0],
                                 static_cast<std::uint32_t>(client.child.Pid())};

    TfrmDealUnwork notice;
    TUnworkHandler handler(settings_, notice);
    int told = -1;
    handler.SetModeListener([&](int m) { told = m; });
    handler.DealWithUnwork(sample);
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(notice.isVisible());
    // The client ends when its last window is closed.
    EXPECT_TRUE(client.child.WaitExit(std::chrono::seconds(5)));
}

TEST_F(UnworkX11, AHungTargetDoesNotStallTheCheck) {
    auto client = vh::test::StartTestClient(*x_, {"--ignore-close", "--window", "--title", "stuck"});
    ASSERT_EQ(client.windows.size(), 1u);
    settings_.WriteNumber("system", "unwork", 1);
    const TForegroundInfo sample{"vh_x11client", "stuck", client.windows[0],
                                 static_cast<std::uint32_t>(client.child.Pid())};
    TfrmDealUnwork notice;
    TUnworkHandler handler(settings_, notice);
    handler.SetCloseTimeout(std::chrono::milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    handler.CheckNonWorkProgram(sample);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(client.child.Running());
}

// The id stored with a notice may belong to another process by the time the button is pressed: only a
// process with the sampled name that already ran at the sample's moment is killed.
TEST_F(UnworkX11, CloseProgramKillsOnlyTheSampledProcess) {
    auto client = vh::test::StartTestClient(*x_, {"--window", "--title", "chat"});
    ASSERT_EQ(client.windows.size(), 1u);
    const auto pid = static_cast<std::uint32_t>(client.child.Pid());
    settings_.WriteNumber("system", "unwork", 3);
    TfrmDealUnwork notice;
    TUnworkHandler handler(settings_, notice);
    const auto raise = [&](const std::string& exe, const vh::DateTime& at) {
        handler.CheckNonWorkProgram({exe, "chat", client.windows[0], pid, at});
        ASSERT_TRUE(notice.isVisible());
        EXPECT_EQ(notice.ProcessId(), pid);
    };

    // Another executable under the id.
    raise("vh_other", vh::Now());
    notice.btnCloseProgram->click();
    EXPECT_FALSE(notice.isVisible());
    // The right name, but the process started after the sample: a whole minute, and then the second
    // just before its start, both count as earlier.
    const std::time_t minuteAgo = std::time(nullptr) - 60;
    std::tm tm{};
    localtime_r(&minuteAgo, &tm);
    raise("vh_x11client", {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 999});
    notice.btnCloseProgram->click();
    const auto started = vh::platform::TheWindowSystem().IdentifyProcess(pid);
    ASSERT_TRUE(started.has_value());
    const std::time_t startSecond = std::chrono::system_clock::to_time_t(started->started);
    const std::time_t secondBefore = startSecond - 1;
    localtime_r(&secondBefore, &tm);
    raise("vh_x11client", {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 999});
    notice.btnCloseProgram->click();
    EXPECT_FALSE(client.child.WaitExit(std::chrono::milliseconds(500))) << "a process that was not sampled died";

    // The sampled process itself, sampled within the second it started.
    localtime_r(&startSecond, &tm);
    raise("vh_x11client", {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0});
    notice.btnCloseProgram->click();
    EXPECT_FALSE(notice.isVisible());
    int status = 0;
    ASSERT_TRUE(client.child.WaitExit(std::chrono::seconds(5), &status));
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    // Once it has ended, its id names nothing.
    EXPECT_FALSE(vh::platform::TheWindowSystem().IdentifyProcess(pid).has_value());
}

} // namespace
