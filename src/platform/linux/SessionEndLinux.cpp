// The signals that end a session, turned into a readable pipe: the handler may only make async-signal-safe
// calls, so the program's own exit runs later, from its event loop.
#include "platform/SessionEnd.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace vh::platform {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

int g_pipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int sig) {
    const int saved = errno;
    const char byte = static_cast<char>(sig);
    // A full pipe already tells the program to end.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void Install() {
    struct sigaction sa {};
    sa.sa_handler = OnTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (const int sig : kSignals)
        ::sigaction(sig, &sa, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals() {
    if (g_pipe[0] >= 0)
        throw std::logic_error("termination signals are already caught");
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create the signal pipe");
    Install();
}

TerminationSignals::~TerminationSignals() {
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (const int sig : kSignals)
        ::sigaction(sig, &sa, nullptr);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationSignals::Reclaim() {
    Install();
}

int TerminationSignals::Fd() const {
    return g_pipe[0];
}

bool TerminationSignals::Take() {
    bool any = false;
    char buf[64];
    while (::read(g_pipe[0], buf, sizeof buf) > 0)
        any = true;
    return any;
}

bool SaveRequestEndsSession() {
    return false;
}

} // namespace vh::platform
