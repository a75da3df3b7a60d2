#pragma once
// Runs the version check on a thread of its own, so that a slow or silent server never holds the
// user-interface thread, and at most one check at a time.
#include <functional>
#include <memory>
#include <thread>

#include "update/UpdateCheck.h"

namespace vh::update {

// Used from one thread, the owner's (the user-interface thread); only the transfer runs elsewhere.
class UpdateWorker {
public:
    // Makes fn run on the owner's thread later; called from the worker thread.
    using Post = std::function<void(std::function<void()> fn)>;
    // A finished check, on the owner's thread.
    using Report = std::function<void(CheckKind kind, const CheckResult& result)>;

    UpdateWorker(Post post, Report report);
    // A running check is abandoned: it is given a moment to end, then left to end on its own; its result
    // is never reported.
    ~UpdateWorker();
    UpdateWorker(const UpdateWorker&) = delete;
    UpdateWorker& operator=(const UpdateWorker&) = delete;

    // Starts a check unless one runs; true when it started. A manual request while an automatic check
    // runs starts nothing, but that check's outcome is then reported as the manual one: the user asked
    // and gets the answer of the transfer already under way, without a second request to the server.
    bool Request(CheckKind kind, const CheckRequest& request);
    // From Request until its outcome has been handed to Report.
    bool Running() const { return running_; }

private:
    struct Shared;

    void Finish(const CheckResult& result);

    Post post_;
    Report report_;
    bool running_ = false;
    CheckKind kind_ = CheckKind::Automatic;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

} // namespace vh::update
