// The version check and what each caller says, against a real server on loopback.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/AppPaths.h"
#include "platform/Text.h"
#include "platform/Transfer.h"
#include "settings/SettingsAccessor.h"
#include "support/HttpServer.h"
#include "support/TempFolder.h"
#include "update/UpdateCheck.h"
#include "update/UpdateServer.h"

namespace fs = std::filesystem;
using vh::test::HttpServer;
using vh::test::ReadAll;

namespace {

std::string G(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

struct Asked {
    std::string caption;
    std::string text;
    bool operator==(const Asked&) const = default;
};

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.SetSettingsPath(dir_ + "/Config.ini");
        UseServer(server_.BaseUrl());
    }

    // Config.ini with the running version and the update server.
    void UseServer(const std::string& base, const std::string& version = "1.2") {
        std::ofstream(dir_ + "/Config.ini", std::ios::binary | std::ios::trunc)
            << "[SystemSet]\r\n"
            << (version.empty() ? "" : "Version=" + version + "\r\n") << "UpdateServer=" << base << "\r\n";
    }
    void ServeVersion(const std::string& ini) { server_.Serve("/version.ini", ini); }
    void ServerDown() { UseServer("http://127.0.0.1:" + std::to_string(HttpServer::UnusedPort())); }

    vh::update::AskUser Recorder(bool answer) {
        return [this, answer](const std::string& caption, const std::string& text) {
            asked_.push_back({caption, text});
            return answer;
        };
    }

    HttpServer server_;
    vh::test::AppFolder app_;
    const std::string dir_ = app_.Folder();
    TSettingsAccessor settings_;
    std::vector<Asked> asked_;
};

TEST_F(UpdateCheckTest, EqualVersionIsNoUpdate) {
    ServeVersion("[SystemSet]\r\nVersion=1.2\r\n");
    std::string v = "stale";
    EXPECT_FALSE(CheckForUpdate(settings_, v));
    EXPECT_EQ(v, "1.2");
    EXPECT_EQ(ReadAll(dir_ + "/Version.ini"), "[SystemSet]\r\nVersion=1.2\r\n");
    EXPECT_EQ(server_.Requests("/version.ini"), 1);

    EXPECT_FALSE(vh::update::RunAutomaticCheck(settings_, Recorder(true)));
    EXPECT_TRUE(asked_.empty());
    EXPECT_FALSE(vh::update::RunManualCheck(settings_, Recorder(true)));
    EXPECT_EQ(asked_, (std::vector<Asked>{{G("信息"), G("当前软件已是最新版本")}}));
}

TEST_F(UpdateCheckTest, AnyOtherVersionTextIsAnUpdate) {
    for (const char* version : {"1.1", "1.20", "1.2 beta", "V1.2"}) {
        SCOPED_TRACE(version);
        ServeVersion(std::string("[SystemSet]\nVersion=") + version + "\n");
        std::string v;
        EXPECT_TRUE(CheckForUpdate(settings_, v));
        EXPECT_EQ(v, version);
    }
}

TEST_F(UpdateCheckTest, FileWithoutTheKeyCountsAsVersionOneDotZero) {
    ServeVersion("[SystemSet]\nBuild=7\n");
    std::string v;
    EXPECT_TRUE(CheckForUpdate(settings_, v));
    EXPECT_EQ(v, "1.0");
    // Without a running version either, both are "1.0".
    UseServer(server_.BaseUrl(), "");
    EXPECT_FALSE(CheckForUpdate(settings_, v));
    EXPECT_EQ(v, "1.0");
}

TEST_F(UpdateCheckTest, OffersAskAndTellWhetherToOpenTheHomePage) {
    ServeVersion("[SystemSet]\nVersion=1.3\n");
    EXPECT_TRUE(vh::update::RunAutomaticCheck(settings_, Recorder(true)));
    EXPECT_FALSE(vh::update::RunAutomaticCheck(settings_, Recorder(false)));
    EXPECT_TRUE(vh::update::RunManualCheck(settings_, Recorder(true)));
    EXPECT_FALSE(vh::update::RunManualCheck(settings_, Recorder(false)));
    const Asked automatic{G("注意哦"), G("当前软件有版本更新，是否下载？")};
    const Asked manual{G("信息"), G("本软件当前有新的版本，是否更新？")};
    EXPECT_EQ(asked_, (std::vector<Asked>{automatic, automatic, manual, manual}));
    EXPECT_EQ(vh::update::RunCheck(vh::update::PrepareCheck(settings_)).homePage, server_.BaseUrl() + "/");
}

TEST_F(UpdateCheckTest, ServerDownIsSilentAutomaticallyAndReportedOnRequest) {
    ServerDown();
    std::string v;
    EXPECT_FALSE(CheckForUpdate(settings_, v));
    EXPECT_EQ(v, "-1");
    EXPECT_FALSE(vh::update::RunAutomaticCheck(settings_, Recorder(true)));
    EXPECT_TRUE(asked_.empty());
    EXPECT_FALSE(vh::update::RunManualCheck(settings_, Recorder(true)));
    EXPECT_EQ(asked_, (std::vector<Asked>{{G("注意哦"), G("因为网络问题，您的更新操作未能完成。")}}));
}

TEST_F(UpdateCheckTest, MissingServerFileIsANetworkProblem) {
    std::string v;
    EXPECT_FALSE(CheckForUpdate(settings_, v)); // nothing served: 404
    EXPECT_EQ(v, "-1");
    EXPECT_FALSE(fs::exists(dir_ + "/Version.ini"));
}

TEST_F(UpdateCheckTest, EarlierLocalCopyIsNeverReadAfterAFailedFetch) {
    const std::string old = "[SystemSet]\r\nVersion=9.9\r\n";
    std::ofstream(dir_ + "/Version.ini", std::ios::binary) << old;
    server_.SetBehaviour("/version.ini", HttpServer::Behaviour::Drop);
    std::string v;
    EXPECT_FALSE(CheckForUpdate(settings_, v));
    EXPECT_EQ(v, "-1");
    ServerDown();
    EXPECT_FALSE(CheckForUpdate(settings_, v));
    EXPECT_EQ(v, "-1");
    EXPECT_EQ(ReadAll(dir_ + "/Version.ini"), old);
}

TEST_F(UpdateCheckTest, SilentServerIsAbandonedWithinTheTimeLimit) {
    server_.SetBehaviour("/version.ini", HttpServer::Behaviour::NeverAnswer);
    const auto start = std::chrono::steady_clock::now();
    std::string v;
    EXPECT_FALSE(CheckForUpdate(settings_, v));
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(v, "-1");
    EXPECT_LT(ms, vh::platform::TransferLimits{}.totalTimeoutMs + 2000);
}

TEST_F(UpdateCheckTest, OversizedAnswerIsRefusedAndNeverWritten) {
    const std::string old = "[SystemSet]\r\nVersion=1.2\r\n";
    std::ofstream(dir_ + "/Version.ini", std::ios::binary) << old;
    for (auto behaviour : {HttpServer::Behaviour::Endless, HttpServer::Behaviour::HugeDeclared}) {
        server_.SetBehaviour("/version.ini", behaviour);
        std::string v;
        EXPECT_FALSE(CheckForUpdate(settings_, v));
        EXPECT_EQ(v, "-1");
        EXPECT_EQ(ReadAll(dir_ + "/Version.ini"), old);
    }
    // A version file padded past the limit is refused as well, however it begins.
    ServeVersion("[SystemSet]\r\nVersion=1.3\r\n;" + std::string(vh::platform::TransferLimits{}.maxBytes, ' ') +
                 "\r\n");
    std::string v;
    EXPECT_FALSE(CheckForUpdate(settings_, v));
    EXPECT_EQ(v, "-1");
}

TEST(UpdateNotices, ManualOutcomeFollowsTheOutText) {
    using vh::update::UpdateNotice;
    EXPECT_EQ(vh::update::ManualNotice(true, "1.3"), UpdateNotice::ManualOffer);
    EXPECT_EQ(vh::update::ManualNotice(false, "1.2"), UpdateNotice::UpToDate);
    EXPECT_EQ(vh::update::ManualNotice(false, ""), UpdateNotice::UpToDate);
    EXPECT_EQ(vh::update::ManualNotice(false, "-1"), UpdateNotice::NetworkProblem);
    EXPECT_EQ(vh::update::AutomaticNotice(false), UpdateNotice::None);
    EXPECT_EQ(vh::update::AutomaticNotice(true), UpdateNotice::AutomaticOffer);
}

TEST_F(UpdateCheckTest, ConfigKeyChoosesTheServerAtEachCheck) {
    ServeVersion("[SystemSet]\nVersion=1.2\n");
    HttpServer other;
    other.Serve("/version.ini", "[SystemSet]\nVersion=1.3\n");
    std::string v;
    EXPECT_FALSE(CheckForUpdate(settings_, v));
    UseServer(other.BaseUrl() + "/"); // read afresh at the next check; a trailing slash is no matter
    EXPECT_TRUE(CheckForUpdate(settings_, v));
    EXPECT_EQ(v, "1.3");
    EXPECT_EQ(server_.Requests("/version.ini"), 1);
    EXPECT_EQ(other.Requests("/version.ini"), 1);
    EXPECT_EQ(vh::update::RunCheck(vh::update::PrepareCheck(settings_)).homePage, other.BaseUrl() + "/");

    // Missing or empty: the server the build was configured with.
    for (const char* config : {"[SystemSet]\r\nUpdateServer=\r\n", "[SystemSet]\r\nVersion=1.2\r\n"}) {
        std::ofstream(dir_ + "/Config.ini", std::ios::binary | std::ios::trunc) << config;
        const auto request = vh::update::PrepareCheck(settings_);
        EXPECT_EQ(request.serverBase, vh::update::BuiltInServerBase());
        EXPECT_EQ(vh::update::VersionFileUrl(request.serverBase), vh::update::BuiltInServerBase() + "/version.ini");
        EXPECT_EQ(request.versionFile, dir_ + "/Version.ini");
    }
    EXPECT_TRUE(vh::update::IsServerBase(vh::update::BuiltInServerBase()));
}

TEST_F(UpdateCheckTest, UnusableServerAddressIsAFailedCheckWithoutATransfer) {
    ServeVersion("[SystemSet]\nVersion=1.3\n");
    const std::string hostPort = "127.0.0.1:" + std::to_string(server_.Port());
    const std::string hostile[] = {
        "file:///etc",
        "ftp://" + hostPort,
        hostPort,
        "http://",
        "http:///" + hostPort,
        "javascript:alert(1)",
        "-http://" + hostPort,
        "http://" + hostPort + "/?x=",
        "http://" + hostPort + "/#x",
        "http://" + hostPort + "/a b",
        "http://" + hostPort + "/\x01x",
        "http://" + hostPort + "/" + G("更新"),
        "http://" + hostPort + "/" + std::string(2100, 'a'),
    };
    for (const auto& base : hostile) {
        SCOPED_TRACE(base.substr(0, 60));
        UseServer(base);
        std::string v;
        EXPECT_FALSE(CheckForUpdate(settings_, v));
        EXPECT_EQ(v, "-1");
    }
    EXPECT_FALSE(vh::update::RunManualCheck(settings_, Recorder(true)));
    EXPECT_EQ(asked_, (std::vector<Asked>{{G("注意哦"), G("因为网络问题，您的更新操作未能完成。")}}));
    EXPECT_EQ(server_.Requests("/version.ini"), 0);
    EXPECT_FALSE(fs::exists(dir_ + "/Version.ini"));

    // Either scheme in any letter case; an address with a path works as a base too.
    for (const std::string& base : {"HTTP://" + hostPort, "http://" + hostPort + "/updates"}) {
        server_.Serve("/updates/version.ini", "[SystemSet]\nVersion=1.4\n");
        UseServer(base);
        std::string v;
        EXPECT_TRUE(CheckForUpdate(settings_, v));
        EXPECT_NE(v, "-1");
    }
    EXPECT_TRUE(vh::update::IsServerBase("https://[::1]:8443"));
}

} // namespace
