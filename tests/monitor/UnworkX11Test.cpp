// The non-work reactions on a real X server: the close request of mode 1 and the notice's kill, against
// real test windows, with a real database behind the work-program query.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <csignal>
#include <sys/wait.h>

#include "monitor/ForegroundInfo.h"
#include "monitor/UnworkHandler.h"
#include "monitor/uDealUnwork.h"
#include "platform/WindowSystem.h"
#include "settings/SettingsAccessor.h"
#include "support/TestDatabase.h"
#include "support/XvfbFixture.h"

namespace {

class UnworkX11 : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "unwork_x11_test";
        static char* argv[] = {name, nullptr};
        if (!qApp)
            new QApplication(argc, argv);
    }
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
    ForegroundInfo = {"vh_x11client", "game", client.windows[0], static_cast<std::uint32_t>(client.child.Pid())};

    TfrmDealUnwork notice;
    TUnworkHandler handler(settings_, notice);
    int told = -1;
    handler.SetModeListener([&](int m) { told = m; });
    handler.DealWithUnwork();
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(notice.isVisible());
    // The client ends when its last window is closed.
    EXPECT_TRUE(client.child.WaitExit(std::chrono::seconds(5)));
}

TEST_F(UnworkX11, AHungTargetDoesNotStallTheCheck) {
    auto client = vh::test::StartTestClient(*x_, {"--ignore-close", "--window", "--title", "stuck"});
    ASSERT_EQ(client.windows.size(), 1u);
    settings_.WriteNumber("system", "unwork", 1);
    ForegroundInfo = {"vh_x11client", "stuck", client.windows[0], static_cast<std::uint32_t>(client.child.Pid())};
    TfrmDealUnwork notice;
    TUnworkHandler handler(settings_, notice);
    handler.SetCloseTimeout(std::chrono::milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    handler.CheckNonWorkProgram();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(client.child.Running());
}

TEST_F(UnworkX11, CloseProgramKillsTheProcessOfTheLastShowing) {
    auto client = vh::test::StartTestClient(*x_, {"--window", "--title", "chat"});
    ASSERT_EQ(client.windows.size(), 1u);
    settings_.WriteNumber("system", "unwork", 3);
    ForegroundInfo = {"vh_x11client", "chat", client.windows[0], static_cast<std::uint32_t>(client.child.Pid())};
    TfrmDealUnwork notice;
    TUnworkHandler handler(settings_, notice);
    handler.CheckNonWorkProgram();
    ASSERT_TRUE(notice.isVisible());
    EXPECT_EQ(notice.ProcessId(), static_cast<std::uint32_t>(client.child.Pid()));
    notice.btnCloseProgram->click();
    EXPECT_FALSE(notice.isVisible());
    int status = 0;
    ASSERT_TRUE(client.child.WaitExit(std::chrono::seconds(5), &status));
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
}

} // namespace
