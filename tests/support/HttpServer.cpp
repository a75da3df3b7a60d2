#include "support/HttpServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace vh::test {

namespace {

constexpr int kPollMs = 50;

int BindLoopback() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        throw std::runtime_error("bind failed");
    }
    return fd;
}

int PortOf(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

const char* Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

HttpServer::HttpServer() {
    listenFd_ = BindLoopback();
    if (::listen(listenFd_, 16) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("listen failed");
    }
    port_ = PortOf(listenFd_);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

HttpServer::~HttpServer() {
    Stop();
}

std::string HttpServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void HttpServer::Serve(const std::string& path, const std::string& body, int status, const std::string& headers) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path] = Route{Behaviour::Serve, status, body, headers, 0};
}

void HttpServer::SetBehaviour(const std::string& path, Behaviour behaviour) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path].behaviour = behaviour;
}

void HttpServer::SetDelay(const std::string& path, int ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path].delayMs = ms;
}

int HttpServer::Requests(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = requests_.find(path);
    return it == requests_.end() ? 0 : it->second;
}

void HttpServer::Stop() {
    if (stopping_.exchange(true))
        return;
    if (acceptThread_.joinable())
        acceptThread_.join();
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
    }
    std::vector<std::thread> open;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open.swap(connections_);
    }
    for (auto& t : open)
        t.join();
}

int HttpServer::UnusedPort() {
    const int fd = BindLoopback();
    const int port = PortOf(fd);
    // Bound but never listening: the port stays ours and every connection to it is refused.
    static std::vector<int> held;
    static std::mutex heldMutex;
    std::lock_guard<std::mutex> lock(heldMutex);
    held.push_back(fd);
    return port;
}

void HttpServer::AcceptLoop() {
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard<std::mutex> lock(mutex_);
        connections_.emplace_back([this, fd] { HandleConnection(fd); });
    }
}

bool HttpServer::SendAll(int fd, const char* data, size_t n) {
    size_t done = 0;
    while (done < n) {
        if (stopping_)
            return false;
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        if (p.revents & (POLLERR | POLLHUP))
            return false;
        const ssize_t w = ::send(fd, data + done, n - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (w < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(w);
    }
    return true;
}

void HttpServer::HandleConnection(int fd) {
    std::string request;
    char buf[4096];
    while (!stopping_ && request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        const ssize_t r = ::recv(fd, buf, sizeof buf, 0);
        if (r <= 0)
            break;
        request.append(buf, static_cast<size_t>(r));
    }
    std::string path;
    const size_t sp1 = request.find(' ');
    const size_t sp2 = sp1 == std::string::npos ? std::string::npos : request.find(' ', sp1 + 1);
    if (sp2 != std::string::npos)
        path = request.substr(sp1 + 1, sp2 - sp1 - 1);

    Route route{Behaviour::Serve, 404, "not found", "", 0};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++requests_[path];
        auto it = routes_.find(path);
        if (it != routes_.end())
            route = it->second;
    }

    const auto answerAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(route.delayMs);
    while (!stopping_ && std::chrono::steady_clock::now() < answerAt)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    switch (route.behaviour) {
    case Behaviour::Serve: {
        std::string answer = "HTTP/1.1 " + std::to_string(route.status) + " " + Reason(route.status) +
                             "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(route.body.size()) +
                             "\r\nConnection: close\r\n" + route.headers + "\r\n" + route.body;
        SendAll(fd, answer.data(), answer.size());
        break;
    }
    case Behaviour::Drop:
        break;
    case Behaviour::NeverAnswer:
        while (!stopping_) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, kPollMs) > 0 && ::recv(fd, buf, sizeof buf, 0) <= 0)
                break;
        }
        break;
    case Behaviour::Endless:
    case Behaviour::HugeDeclared: {
        const std::string head = route.behaviour == Behaviour::Endless
                                     ? "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n"
                                     : "HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\nConnection: close\r\n\r\n";
        const std::string chunk(16384, 'x');
        if (SendAll(fd, head.data(), head.size()))
            while (SendAll(fd, chunk.data(), chunk.size())) {
            }
        break;
    }
    case Behaviour::Trickle: {
        const std::string head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
        bool open = SendAll(fd, head.data(), head.size());
        while (open && !stopping_) {
            for (int i = 0; i < 2 && !stopping_; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            open = SendAll(fd, "x", 1);
        }
        break;
    }
    }
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

} // namespace vh::test
