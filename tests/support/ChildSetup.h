#pragma once
// The first steps of a program a fixture starts, between fork and exec.
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace vh::test {

// In the child: its own process group, death with the test (so no server outlives a crashed test), the
// signals the test runner blocked or ignored back to normal, standard input from /dev/null, standard output
// to outFd (or /dev/null), standard error too unless VH_TEST_CHILD_STDERR is set, and no other descriptor
// but keepFd. Ends the child when the test is already gone.
inline void BecomeTestChild(pid_t parent, int outFd, int keepFd = -1) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < NSIG; ++sig)
        signal(sig, SIG_DFL);
    if (getppid() != parent)
        _exit(127);
    const int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(outFd >= 0 ? outFd : devnull, 1);
    if (!std::getenv("VH_TEST_CHILD_STDERR"))
        dup2(devnull, 2);
    for (int fd = 3; fd < 1024; ++fd) {
        if (fd != keepFd)
            close(fd);
    }
}

} // namespace vh::test
