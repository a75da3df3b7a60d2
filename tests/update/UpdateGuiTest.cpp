// The main window's update handlers with a page host, a real timer and a real server on loopback.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "platform/AppPaths.h"
#include "platform/Text.h"
#include "platform/Transfer.h"
#include "support/FakePageHost.h"
#include "support/HttpServer.h"
#include "support/QtApp.h"
#include "support/TempFolder.h"
#include "toolkit/TTimer.h"
#include "update/UpdateGui.h"

namespace fs = std::filesystem;
using vh::test::HttpServer;
using vh::test::ReadAll;

namespace {

std::string G(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

class UpdateGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir_ + "/Config.ini", std::ios::binary)
            << "[SystemSet]\r\nVersion=1.2\r\nUpdateServer=" << server_.BaseUrl() << "\r\n";
        settings_.SetSettingsPath(dir_ + "/Config.ini");
        vh::update::SetHomePageOpener([this](const std::string& url) { opened_.push_back(url); });
    }
    void TearDown() override { vh::update::SetHomePageOpener(nullptr); }

    // Runs the event loop until the host's check has been reported; false when it never was.
    bool WaitForCheck(vh::PageHost& host, int limitMs = 20000) {
        QElapsedTimer clock;
        clock.start();
        while (vh::update::UpdateCheckRunning(host) && clock.elapsed() < limitMs)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return !vh::update::UpdateCheckRunning(host);
    }
    bool WaitForCheck() { return WaitForCheck(host_); }

    HttpServer server_;
    vh::test::AppFolder app_;
    const std::string dir_ = app_.Folder();
    TSettingsAccessor settings_;
    vh::test::FakePageHost host_;
    std::vector<std::string> opened_;
};

TEST_F(UpdateGuiTest, ManualCheckReportsEachOutcome) {
    server_.Serve("/version.ini", "[SystemSet]\nVersion=1.2\n");
    host_.answer = true;
    Label1Click(host_, settings_);
    ASSERT_TRUE(WaitForCheck());
    ASSERT_EQ(host_.notices.size(), 1u);
    EXPECT_EQ(host_.notices[0].caption, G("信息"));
    EXPECT_EQ(host_.notices[0].text, G("当前软件已是最新版本"));
    EXPECT_TRUE(opened_.empty());

    server_.Serve("/version.ini", "[SystemSet]\nVersion=1.3\n");
    host_.answer = false;
    Label1Click(host_, settings_);
    ASSERT_TRUE(WaitForCheck());
    EXPECT_TRUE(opened_.empty());
    host_.answer = true;
    Label1Click(host_, settings_);
    ASSERT_TRUE(WaitForCheck());
    ASSERT_EQ(host_.notices.size(), 3u);
    EXPECT_EQ(host_.notices[2].caption, G("信息"));
    EXPECT_EQ(host_.notices[2].text, G("本软件当前有新的版本，是否更新？"));
    EXPECT_EQ(opened_, (std::vector<std::string>{server_.BaseUrl() + "/"}));

    server_.Stop();
    Label1Click(host_, settings_);
    ASSERT_TRUE(WaitForCheck());
    ASSERT_EQ(host_.notices.size(), 4u);
    EXPECT_EQ(host_.notices[3].caption, G("注意哦"));
    EXPECT_EQ(host_.notices[3].text, G("因为网络问题，您的更新操作未能完成。"));
    EXPECT_EQ(opened_.size(), 1u);
}

TEST_F(UpdateGuiTest, AutomaticCheckIsSilentWithoutAnUpdate) {
    server_.Serve("/version.ini", "[SystemSet]\nVersion=1.2\n");
    tmrUpdateTimer(host_, settings_);
    ASSERT_TRUE(WaitForCheck());
    server_.Stop();
    tmrUpdateTimer(host_, settings_);
    ASSERT_TRUE(WaitForCheck());
    EXPECT_TRUE(host_.notices.empty());
    EXPECT_TRUE(opened_.empty());
}

TEST_F(UpdateGuiTest, PendingOfferComesBackAtEveryTickWhetherDeclinedOrAccepted) {
    server_.Serve("/version.ini", "[SystemSet]\nVersion=1.3\n");
    vh::TTimer& timer = host_.TimerOf(vh::Timer::Update);
    QObject::connect(&timer, &vh::TTimer::OnTimer, [this] {
        host_.answer = host_.notices.size() % 2 == 1; // decline the first, accept the second, ...
        tmrUpdateTimer(host_, settings_);
    });
    timer.SetInterval(50);
    timer.Start();
    QElapsedTimer clock;
    clock.start();
    while (host_.notices.size() < 3 && clock.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    timer.Stop();
    ASSERT_GE(host_.notices.size(), 3u);
    for (const auto& n : host_.notices) {
        EXPECT_EQ(n.caption, G("注意哦"));
        EXPECT_EQ(n.text, G("当前软件有版本更新，是否下载？"));
    }
    EXPECT_GE(opened_.size(), 1u);
    EXPECT_EQ(opened_.front(), server_.BaseUrl() + "/");
    EXPECT_GE(server_.Requests("/version.ini"), 3);
}

TEST_F(UpdateGuiTest, SlowServerKeepsTheWindowAnsweringAndOneCheckAtATime) {
    const std::string ini = "[SystemSet]\r\nVersion=1.3\r\n";
    server_.Serve("/version.ini", ini);
    server_.SetDelay("/version.ini", 1000);
    int ticksWhileChecking = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ticksWhileChecking += vh::update::UpdateCheckRunning(host_); });
    ticker.start(20);

    tmrUpdateTimer(host_, settings_);
    EXPECT_TRUE(vh::update::UpdateCheckRunning(host_)) << "the handler returns while the server is still silent";
    // Neither the next tick nor a click starts a second check; the click turns the running one into the
    // manual check, whose outcome is always told.
    tmrUpdateTimer(host_, settings_);
    Label1Click(host_, settings_);
    EXPECT_TRUE(host_.notices.empty());
    ASSERT_TRUE(WaitForCheck());

    EXPECT_GT(ticksWhileChecking, 0);
    EXPECT_EQ(server_.Requests("/version.ini"), 1);
    ASSERT_EQ(host_.notices.size(), 1u);
    EXPECT_EQ(host_.notices[0].caption, G("信息"));
    EXPECT_EQ(host_.notices[0].text, G("本软件当前有新的版本，是否更新？"));
    EXPECT_EQ(opened_, (std::vector<std::string>{server_.BaseUrl() + "/"}));
    EXPECT_EQ(ReadAll(dir_ + "/Version.ini"), ini);
}

TEST_F(UpdateGuiTest, SilentServerIsANetworkProblemOnceTheTransferGivesUp) {
    server_.SetBehaviour("/version.ini", HttpServer::Behaviour::NeverAnswer);
    int ticksWhileChecking = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ticksWhileChecking += vh::update::UpdateCheckRunning(host_); });
    ticker.start(20);

    Label1Click(host_, settings_);
    Label1Click(host_, settings_);
    tmrUpdateTimer(host_, settings_);
    ASSERT_TRUE(WaitForCheck());

    EXPECT_GT(ticksWhileChecking, 0);
    EXPECT_EQ(server_.Requests("/version.ini"), 1);
    ASSERT_EQ(host_.notices.size(), 1u);
    EXPECT_EQ(host_.notices[0].caption, G("注意哦"));
    EXPECT_EQ(host_.notices[0].text, G("因为网络问题，您的更新操作未能完成。"));
    EXPECT_TRUE(opened_.empty());
    EXPECT_FALSE(fs::exists(dir_ + "/Version.ini"));
}

TEST_F(UpdateGuiTest, WindowClosedDuringACheckNeitherWaitsForTheServerNorHearsFromIt) {
    server_.SetBehaviour("/version.ini", HttpServer::Behaviour::NeverAnswer);
    auto host = std::make_unique<vh::test::FakePageHost>();
    Label1Click(*host, settings_);
    ASSERT_TRUE(vh::update::UpdateCheckRunning(*host));
    QElapsedTimer clock;
    clock.start();
    while (server_.Requests("/version.ini") == 0 && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(server_.Requests("/version.ini"), 1) << "the request is waiting for an answer";
    clock.restart();
    host.reset();
    EXPECT_LT(clock.elapsed(), vh::platform::TransferLimits{}.totalTimeoutMs);
    // Nothing is reported to the window that is gone, and the server can stop.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    server_.Stop();
}

} // namespace
