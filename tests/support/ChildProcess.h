#pragma once
// A child process with its stdin and stdout on pipes, for tests that kill it at chosen moments or talk to it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace vh::test {

class ChildProcess {
public:
    // withStderr: its standard error goes to the same pipe as its output.
    explicit ChildProcess(const std::vector<std::string>& argv, bool withStderr = false) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        if (withStderr)
            posix_spawn_file_actions_adddup2(&fa, out[1], 2);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        const int rc = posix_spawnp(&pid_, args[0], &fa, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        if (rc != 0)
            throw std::runtime_error("cannot start " + argv[0]);
    }
    ~ChildProcess() {
        Kill();
        if (stdin_ >= 0)
            ::close(stdin_);
        if (stdout_ >= 0)
            ::close(stdout_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads what is available, waiting at most timeout for the first bytes; false at end of output.
    bool Pump(std::chrono::milliseconds timeout) {
        pollfd p{stdout_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0)
            return true;
        char buf[4096];
        const ssize_t n = ::read(stdout_, buf, sizeof buf);
        if (n <= 0)
            return false;
        output_.append(buf, static_cast<std::size_t>(n));
        return true;
    }
    // Waits until a complete line equal to line has been printed.
    bool WaitForLine(const std::string& line, std::chrono::milliseconds timeout) {
        return WaitForText("\n" + line + "\n", timeout, "\n");
    }
    // Waits until text has been printed anywhere in the output (after what lead puts before it).
    bool WaitForText(const std::string& text, std::chrono::milliseconds timeout, const std::string& lead = {}) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while ((lead + output_).find(text) == std::string::npos && std::chrono::steady_clock::now() < end)
            if (!Pump(std::chrono::milliseconds(50)))
                break;
        return (lead + output_).find(text) != std::string::npos;
    }
    bool Write(const std::string& text) {
        return ::write(stdin_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }
    void CloseStdin() {
        if (stdin_ >= 0)
            ::close(stdin_);
        stdin_ = -1;
    }
    // SIGKILL and reap; returns the wait status (or the earlier one).
    int Kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status_, 0);
            pid_ = -1;
        }
        return status_;
    }
    int Wait() {
        if (pid_ > 0) {
            ::waitpid(pid_, &status_, 0);
            pid_ = -1;
        }
        return status_;
    }
    bool Alive() {
        if (pid_ <= 0)
            return false;
        if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        return true;
    }
    // Everything read so far, then whatever is left in the pipe (call after the child ended).
    const std::string& Output() {
        while (Pump(std::chrono::milliseconds(0)) && HasData()) {
        }
        return output_;
    }

private:
    bool HasData() {
        pollfd p{stdout_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
    }

    pid_t pid_ = -1;
    int status_ = 0;
    int stdin_ = -1;
    int stdout_ = -1;
    std::string output_;
};

// Output and exit status of a shell command line, its standard error folded into its output.
inline int RunCommand(const std::string& command, std::string& output) {
    output.clear();
    std::FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return -1;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, p))
        output += buf;
    return ::pclose(p);
}

} // namespace vh::test
