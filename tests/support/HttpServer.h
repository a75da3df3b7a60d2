#pragma once
// A real HTTP server on loopback for tests: serves given bodies, and can misbehave the ways a dead or
// hostile server does. It runs in its own threads on a free port and stops when destroyed.
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vh::test {

class HttpServer {
public:
    enum class Behaviour {
        Serve,        // answers with status and body
        Drop,         // accepts the connection and closes it without a word
        NeverAnswer,  // reads the request and then stays silent
        Endless,      // 200 without a length, then data as fast as the client takes it
        HugeDeclared, // 200 with a length of 1 GiB, then data as fast as the client takes it
        Trickle,      // 200 without a length, then one byte every 100 ms, forever
    };

    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string BaseUrl() const;

    // Paths not set answer 404. headers: extra header lines, each ending in "\r\n".
    void Serve(const std::string& path, const std::string& body, int status = 200, const std::string& headers = "");
    void SetBehaviour(const std::string& path, Behaviour behaviour);
    // A slow server: path is answered (as its behaviour says) only ms after the request has arrived,
    // until the next Serve of path.
    void SetDelay(const std::string& path, int ms);
    // Requests received for path so far.
    int Requests(const std::string& path) const;

    // Closes the listening socket (later connections are refused) and ends every open connection.
    void Stop();

    // A loopback port on which nobody listens: connections to it are refused.
    static int UnusedPort();

private:
    struct Route {
        Behaviour behaviour = Behaviour::Serve;
        int status = 200;
        std::string body;
        std::string headers;
        int delayMs = 0;
    };

    void AcceptLoop();
    void HandleConnection(int fd);
    bool SendAll(int fd, const char* data, size_t n);

    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    mutable std::mutex mutex_;
    std::map<std::string, Route> routes_;
    std::map<std::string, int> requests_;
    std::vector<std::thread> connections_;
};

} // namespace vh::test
