// Downloads through urlmon: a local file address, a real HTTP server on loopback, a refused connection.
// winsock2.h must come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/Transfer.h"
#include "update/U_TDownFile.h"
#include "update/UpdateWorker.h"

#include "platform/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

using vh::wintest::ReadAll;
using vh::wintest::TempFolder;
using vh::wintest::WriteAll;

namespace {

// One-connection-at-a-time HTTP/1.0 server on 127.0.0.1 with a free port.
class LoopbackServer {
public:
    LoopbackServer() {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        int len = sizeof addr;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        listen(listener_, 8);
        thread_ = std::thread([this] { Run(); });
    }
    ~LoopbackServer() {
        stop_ = true;
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    void Serve(const std::string& path, const std::string& body, int status = 200) {
        std::lock_guard lock(mutex_);
        routes_[path] = {status, body};
    }
    int Requests() const { return requests_; }

private:
    void Run() {
        while (!stop_) {
            SOCKET c = accept(listener_, nullptr, nullptr);
            if (c == INVALID_SOCKET)
                return;
            ++requests_;
            std::string req;
            char buf[2048];
            while (req.find("\r\n\r\n") == std::string::npos) {
                const int n = recv(c, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                req.append(buf, static_cast<std::size_t>(n));
            }
            const auto sp1 = req.find(' ');
            const auto sp2 = req.find(' ', sp1 + 1);
            const std::string path = sp1 == std::string::npos ? "" : req.substr(sp1 + 1, sp2 - sp1 - 1);
            int status = 404;
            std::string body = "not found";
            {
                std::lock_guard lock(mutex_);
                if (auto it = routes_.find(path); it != routes_.end()) {
                    status = it->second.first;
                    body = it->second.second;
                }
            }
            const std::string answer = "HTTP/1.0 " + std::to_string(status) + (status == 200 ? " OK" : " Error") +
                                       "\r\nContent-Type: text/plain\r\nCache-Control: no-cache\r\nContent-Length: " +
                                       std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
            send(c, answer.data(), static_cast<int>(answer.size()), 0);
            shutdown(c, SD_SEND);
            closesocket(c);
        }
    }

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::mutex mutex_;
    std::map<std::string, std::pair<int, std::string>> routes_;
    std::thread thread_;
};

// A port on which nobody listens.
int ClosedPort() {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    int len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    closesocket(s);
    WSACleanup();
    return ntohs(addr.sin_port);
}

const std::string kVersionIni = "[SystemSet]\r\nVersion=1.3\r\n";

} // namespace

TEST(WindowsTransfer, FileAddressIsCopied) {
    TempFolder dir;
    const std::string source = dir.File("source.ini");
    WriteAll(source, kVersionIni);
    const std::string target = dir.File("Version.ini");
    const auto r = vh::platform::DownloadToFile("file:///" + source, target, {}, nullptr);
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(ReadAll(target), kVersionIni);
    EXPECT_EQ(dir.EntryCount(), 2u);
}

TEST(WindowsTransfer, LoopbackHttpServerIsFetched) {
    LoopbackServer server;
    server.Serve("/version.ini", kVersionIni);
    TempFolder dir;
    const std::string target = dir.File("Version.ini");
    std::vector<unsigned long> statuses;
    const auto r = vh::platform::DownloadToFile(
        server.Url("/version.ini"), target, {},
        [&](unsigned long, unsigned long, unsigned long status, const std::string&) { statuses.push_back(status); });
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(ReadAll(target), kVersionIni);
    EXPECT_FALSE(statuses.empty());
    EXPECT_EQ(dir.EntryCount(), 1u);

    // A changed file on the server is fetched again, not taken from a cache.
    server.Serve("/version.ini", "[SystemSet]\r\nVersion=1.4\r\n");
    EXPECT_TRUE(vh::platform::DownloadToFile(server.Url("/version.ini"), target, {}, nullptr).ok);
    EXPECT_EQ(ReadAll(target), "[SystemSet]\r\nVersion=1.4\r\n");
}

TEST(WindowsTransfer, FailuresLeaveTheEarlierCopyAlone) {
    TempFolder dir;
    const std::string target = dir.File("Version.ini");
    WriteAll(target, "earlier");
    const auto refused = vh::platform::DownloadToFile(
        "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/version.ini", target, {}, nullptr);
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.error.empty());

    LoopbackServer server;
    server.Serve("/big", std::string(70000, 'x'));
    const auto big = vh::platform::DownloadToFile(server.Url("/big"), target, {}, nullptr);
    EXPECT_FALSE(big.ok);
    const auto missing = vh::platform::DownloadToFile(server.Url("/missing"), target, {}, nullptr);
    EXPECT_FALSE(missing.ok) << "an HTTP error status counts as a failure";

    EXPECT_EQ(ReadAll(target), "earlier");
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(WindowsDownFile, ComCallbackReportsProgressAndCompletion) {
    LoopbackServer server;
    server.Serve("/version.ini", kVersionIni);
    TempFolder dir;
    const std::string target = dir.File("Version.ini");

    TDownFile down;
    int progressCalls = 0;
    bool completed = false, status = false;
    std::string source, dest;
    down.SetOnProgress([&](unsigned long, unsigned long, unsigned long, const std::string&) { ++progressCalls; });
    down.SetOnComplete([&](const std::string& src, const std::string& dst, bool ok, const std::string&) {
        completed = true;
        status = ok;
        source = src;
        dest = dst;
    });
    down.Download(server.Url("/version.ini"), target);
    EXPECT_TRUE(completed);
    EXPECT_TRUE(status);
    EXPECT_EQ(source, server.Url("/version.ini"));
    EXPECT_EQ(dest, target);
    EXPECT_GT(progressCalls, 0);
    EXPECT_EQ(ReadAll(target), kVersionIni);

    // urlmon holds its references only during the call; the object is never freed by a count of 0.
    IBindStatusCallback* cb = &down.BindStatusCallback();
    IUnknown* unk = nullptr;
    EXPECT_EQ(cb->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk)), S_OK);
    IStream* stream = nullptr;
    EXPECT_EQ(cb->QueryInterface(IID_IStream, reinterpret_cast<void**>(&stream)), E_NOINTERFACE);
    unk->Release();
    EXPECT_EQ(cb->OnStartBinding(0, nullptr), E_NOTIMPL);

    EXPECT_THROW(down.Download("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/version.ini", target),
                 std::runtime_error);
    EXPECT_FALSE(status);
    EXPECT_EQ(ReadAll(target), kVersionIni);
}

TEST(WindowsDownFile, HttpErrorStatusIsAFailure) {
    LoopbackServer server;
    TempFolder dir;
    const std::string target = dir.File("Version.ini");
    WriteAll(target, kVersionIni);
    TDownFile down;
    bool completed = false, status = true;
    std::string error;
    down.SetOnComplete([&](const std::string&, const std::string&, bool ok, const std::string& text) {
        completed = true;
        status = ok;
        error = text;
    });
    // An error page stored as Version.ini would read as version "1.0" and offer an update.
    EXPECT_THROW(down.Download(server.Url("/version.ini"), target), std::runtime_error);
    EXPECT_TRUE(completed);
    EXPECT_FALSE(status);
    EXPECT_NE(error.find("404"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(target), kVersionIni);

    server.Serve("/big", std::string(70000, 'x'));
    EXPECT_THROW(down.Download(server.Url("/big"), target), std::runtime_error);
    EXPECT_EQ(ReadAll(target), kVersionIni);
    EXPECT_EQ(dir.EntryCount(), 1u);

    // The status is heard through IHttpNegotiate, which shares the object's count.
    IBindStatusCallback* cb = &down.BindStatusCallback();
    const unsigned long before = down.BindStatusCallback().RefCount();
    IHttpNegotiate* negotiate = nullptr;
    ASSERT_EQ(cb->QueryInterface(IID_IHttpNegotiate, reinterpret_cast<void**>(&negotiate)), S_OK);
    EXPECT_EQ(down.BindStatusCallback().RefCount(), before + 1);
    negotiate->Release();
    EXPECT_EQ(down.BindStatusCallback().RefCount(), before);
}

TEST(WindowsDownFile, UpdateCheckFetchesOnItsOwnThread) {
    LoopbackServer server;
    server.Serve("/version.ini", kVersionIni);
    TempFolder dir;
    std::mutex mutex;
    std::vector<std::function<void()>> posted;
    bool reported = false;
    vh::update::CheckKind kind = vh::update::CheckKind::Automatic;
    vh::update::CheckResult result;
    {
        vh::update::UpdateWorker worker(
            [&](std::function<void()> fn) {
                std::lock_guard lock(mutex);
                posted.push_back(std::move(fn));
            },
            [&](vh::update::CheckKind k, const vh::update::CheckResult& r) {
                reported = true;
                kind = k;
                result = r;
            });
        const vh::update::CheckRequest request{"1.2", server.Url(""), dir.File("Version.ini")};
        ASSERT_TRUE(worker.Request(vh::update::CheckKind::Automatic, request));
        EXPECT_FALSE(worker.Request(vh::update::CheckKind::Manual, request));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (;;) {
            std::vector<std::function<void()>> ready;
            {
                std::lock_guard lock(mutex);
                ready.swap(posted);
            }
            for (auto& fn : ready)
                fn();
            if (!worker.Running() || std::chrono::steady_clock::now() > deadline)
                break;
            Sleep(10);
        }
        EXPECT_FALSE(worker.Running());
    }
    ASSERT_TRUE(reported);
    EXPECT_EQ(kind, vh::update::CheckKind::Manual);
    EXPECT_TRUE(result.updateFound);
    EXPECT_EQ(result.serverVersion, "1.3");
    EXPECT_EQ(ReadAll(dir.File("Version.ini")), kVersionIni);
    EXPECT_EQ(server.Requests(), 1);
}
