#pragma once
// logind's part in the user's presence, for tests on a machine without logind: a private bus given to this
// process as its system bus, and on it org.freedesktop.login1 answering GetSessionByPID and the session's
// LockedHint with logind's types. Everything it started ends with it.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "support/SwayFixture.h"

namespace vh::test {

class FakeLogind {
public:
    // inSession: our process belongs to a session; otherwise GetSessionByPID refuses it, as logind does for a
    // user service, and only the "auto" session (the user's graphical one) answers. Throws std::runtime_error.
    explicit FakeLogind(bool inSession = true);
    ~FakeLogind();
    FakeLogind(const FakeLogind&) = delete;
    FakeLogind& operator=(const FakeLogind&) = delete;

    void SetLocked(bool locked) { locked_ = locked; }
    // The process GetSessionByPID was last asked about (0: never), and how often it was asked.
    std::uint32_t AskedPid() const { return askedPid_; }
    int SessionLookups() const { return lookups_; }
    // How often LockedHint was read, and of which session object the last time.
    int HintReads() const { return hintReads_; }
    std::string LastSessionPath() const;

private:
    void Serve(void* connection);

    bool inSession_;
    DesktopFolders folders_;
    std::string address_, savedAddress_;
    bool hadAddress_ = false;
    XChild bus_;
    std::atomic<bool> locked_{false}, stop_{false};
    std::atomic<std::uint32_t> askedPid_{0};
    std::atomic<int> lookups_{0}, hintReads_{0};
    mutable std::mutex pathMutex_;
    std::string lastPath_;
    std::thread server_;
};

} // namespace vh::test
