// The download class over the libcurl transfer, against a real server on loopback.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Transfer.h"
#include "support/HttpServer.h"
#include "support/TempFolder.h"
#include "update/U_TDownFile.h"

namespace fs = std::filesystem;
using vh::test::HttpServer;
using vh::test::ReadAll;

namespace {

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override { target_ = dir_ + "/Version.ini"; }

    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename().string());
        return names;
    }
    // Downloads and returns the text of the error raised, empty when none.
    std::string Fetch(TDownFile& down, const std::string& url) {
        try {
            down.Download(url, target_);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return std::string();
    }

    HttpServer server_;
    vh::test::TempFolder folder_;
    const std::string dir_ = folder_.Path();
    std::string target_;
};

TEST_F(TransferTest, DownloadsTheFileAndReportsProgressAndCompletion) {
    const std::string body = "[SystemSet]\r\nVersion=1.3\r\n";
    server_.Serve("/version.ini", body);
    TDownFile down;
    std::vector<unsigned long> statuses;
    unsigned long last = 0;
    down.SetOnProgress([&](unsigned long progress, unsigned long, unsigned long status, const std::string& text) {
        statuses.push_back(status);
        last = progress;
        EXPECT_EQ(text, server_.BaseUrl() + "/version.ini");
    });
    int completions = 0;
    down.SetOnComplete([&](const std::string& src, const std::string& dst, bool ok, const std::string& err) {
        ++completions;
        EXPECT_EQ(src, server_.BaseUrl() + "/version.ini");
        EXPECT_EQ(dst, target_);
        EXPECT_TRUE(ok);
        EXPECT_EQ(err, "");
    });
    EXPECT_EQ(Fetch(down, server_.BaseUrl() + "/version.ini"), "");
    EXPECT_EQ(ReadAll(target_), body);
    EXPECT_EQ(completions, 1);
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.front(), vh::platform::TransferConnecting);
    EXPECT_EQ(statuses.back(), vh::platform::TransferEndDownloadData);
    EXPECT_EQ(last, body.size());
    // The handlers live in the callback object as well.
    EXPECT_TRUE(static_cast<bool>(down.BindStatusCallback().FOnProgress));
    EXPECT_TRUE(static_cast<bool>(down.BindStatusCallback().FOnComplete));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Version.ini"}));
}

TEST_F(TransferTest, FailuresRaiseWrongAndKeepTheEarlierFileIntact) {
    std::ofstream(target_, std::ios::binary) << "[SystemSet]\nVersion=0.9\n";
    TDownFile down;
    std::vector<bool> completed;
    down.SetOnComplete([&](const std::string&, const std::string&, bool ok, const std::string& err) {
        completed.push_back(ok);
        EXPECT_FALSE(err.empty());
    });

    server_.Serve("/missing.ini", "not here", 404);
    server_.Serve("/broken.ini", "oops", 500);
    server_.SetBehaviour("/drop.ini", HttpServer::Behaviour::Drop);
    server_.SetBehaviour("/endless.ini", HttpServer::Behaviour::Endless);
    server_.SetBehaviour("/huge.ini", HttpServer::Behaviour::HugeDeclared);
    server_.Serve("/redirect.ini", "", 302, "Location: file:///etc/hostname\r\n");
    const std::vector<std::string> urls = {
        server_.BaseUrl() + "/missing.ini",
        server_.BaseUrl() + "/broken.ini",
        server_.BaseUrl() + "/drop.ini",
        server_.BaseUrl() + "/endless.ini",
        server_.BaseUrl() + "/huge.ini",
        server_.BaseUrl() + "/redirect.ini",
        "http://127.0.0.1:" + std::to_string(HttpServer::UnusedPort()) + "/version.ini",
        "ftp://127.0.0.1/version.ini",
        "file://" + dir_ + "/no-such-file.ini",
    };
    for (const auto& url : urls) {
        SCOPED_TRACE(url);
        EXPECT_EQ(Fetch(down, url), kDownloadFailed);
        EXPECT_EQ(ReadAll(target_), "[SystemSet]\nVersion=0.9\n");
        EXPECT_EQ(Entries(), (std::vector<std::string>{"Version.ini"})) << "left-overs beside the file";
    }
    EXPECT_EQ(completed, std::vector<bool>(urls.size(), false));
}

TEST_F(TransferTest, OversizedAnswerLeavesNoFileAtAll) {
    server_.SetBehaviour("/endless.ini", HttpServer::Behaviour::Endless);
    TDownFile down;
    down.Limits.maxBytes = 100000;
    EXPECT_EQ(Fetch(down, server_.BaseUrl() + "/endless.ini"), kDownloadFailed);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(TransferTest, SizeLimitAdmitsExactlyItsBytes) {
    TDownFile down;
    down.Limits.maxBytes = 10;
    server_.Serve("/ten", std::string(10, 'a'));
    server_.Serve("/eleven", std::string(11, 'a'));
    EXPECT_EQ(Fetch(down, server_.BaseUrl() + "/ten"), "");
    EXPECT_EQ(Fetch(down, server_.BaseUrl() + "/eleven"), kDownloadFailed);
    EXPECT_EQ(ReadAll(target_), std::string(10, 'a'));
}

TEST_F(TransferTest, SilentAndTricklingServersAreAbandonedAtTheTimeLimit) {
    server_.SetBehaviour("/silent", HttpServer::Behaviour::NeverAnswer);
    server_.SetBehaviour("/trickle", HttpServer::Behaviour::Trickle);
    TDownFile down;
    down.Limits.totalTimeoutMs = 1500;
    for (const char* path : {"/silent", "/trickle"}) {
        SCOPED_TRACE(path);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Fetch(down, server_.BaseUrl() + path), kDownloadFailed);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        EXPECT_GE(ms, 1400);
        EXPECT_LT(ms, 4000);
        EXPECT_EQ(server_.Requests(path), 1);
        EXPECT_TRUE(Entries().empty());
    }
}

TEST_F(TransferTest, LocalFilesCanBeFetched) {
    std::ofstream(dir_ + "/source.ini", std::ios::binary) << "[SystemSet]\nVersion=2.0\n";
    TDownFile down;
    EXPECT_EQ(Fetch(down, "file://" + dir_ + "/source.ini"), "");
    EXPECT_EQ(ReadAll(target_), "[SystemSet]\nVersion=2.0\n");
}

TEST_F(TransferTest, ServiceFailureRaisesTheNetworkMessage) {
    TDownFile down;
    down.SetOnProgress([](unsigned long, unsigned long, unsigned long, const std::string&) {
        throw std::runtime_error("handler broke");
    });
    server_.Serve("/version.ini", "[SystemSet]\nVersion=1.3\n");
    bool completed = false;
    down.SetOnComplete([&](const std::string&, const std::string&, bool, const std::string&) { completed = true; });
    EXPECT_EQ(Fetch(down, server_.BaseUrl() + "/version.ini"), kDownloadServiceError);
    EXPECT_FALSE(completed);
    EXPECT_TRUE(Entries().empty());
}

TEST(TransferDefaults, LimitsBoundTheWaitAndTheSize) {
    const vh::platform::TransferLimits limits;
    EXPECT_LE(limits.connectTimeoutMs, limits.totalTimeoutMs);
    EXPECT_LE(limits.totalTimeoutMs, 10000);
    EXPECT_LE(limits.maxBytes, 1 << 20);
}

} // namespace
