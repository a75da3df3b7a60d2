#pragma once
// The single-instance marker: a named mutex on Windows, a held file lock elsewhere (a crash cannot leave
// it behind: the lock ends with the process).
#include <memory>
#include <string>

namespace vh::platform {

class SingleInstance {
public:
    explicit SingleInstance(const std::string& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when another process already holds the marker.
    bool AlreadyExists() const { return alreadyExists_; }
    // Gives the marker up (the entry's last step).
    void Release();

private:
    bool alreadyExists_ = false;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace vh::platform
