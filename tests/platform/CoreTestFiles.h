#pragma once
// Real files for the settings-file tests (the shared folder) and a child process that runs without root's
// right to ignore file permissions.
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/TempFolder.h"

namespace vh::test {

// Runs fn in a child process as the unprivileged user "nobody" when the tests run as root; returns fn's
// result (or -1 when the child died).
inline int RunUnprivileged(const std::function<int()>& fn) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(99);
        _exit(fn());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace vh::test
