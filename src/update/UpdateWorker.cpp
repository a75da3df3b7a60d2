#include "update/UpdateWorker.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vh::update {

namespace {

// How long the owner's end waits for an abandoned transfer; the transfer notices within about a second.
constexpr auto kAbandonWait = std::chrono::milliseconds(1500);

} // namespace

// What the worker thread and the owner share; the thread keeps it alive after the owner is gone.
struct UpdateWorker::Shared {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    Post post;                     // empty once the owner is going away
    UpdateWorker* owner = nullptr; // touched on the owner's thread only
    std::atomic<bool> abandon{false};
};

UpdateWorker::UpdateWorker(Post post, Report report) : post_(std::move(post)), report_(std::move(report)) {}

UpdateWorker::~UpdateWorker() {
    if (!shared_)
        return;
    shared_->owner = nullptr;
    shared_->abandon = true;
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->post = nullptr;
    const bool ended = shared_->ended.wait_for(lock, kAbandonWait, [this] { return shared_->done; });
    lock.unlock();
    if (ended)
        thread_.join();
    else
        thread_.detach(); // it holds everything it still needs
}

bool UpdateWorker::Request(CheckKind kind, const CheckRequest& request) {
    if (running_) {
        if (kind == CheckKind::Manual)
            kind_ = CheckKind::Manual;
        return false;
    }
    // The previous thread has handed over its result and is past its last step.
    if (thread_.joinable())
        thread_.join();
    running_ = true;
    kind_ = kind;
    shared_ = std::make_shared<Shared>();
    shared_->post = post_;
    shared_->owner = this;
    thread_ = std::thread([shared = shared_, request] {
        const CheckResult result = RunCheck(request, &shared->abandon);
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->done = true;
        if (shared->post)
            shared->post([shared, result] {
                if (shared->owner)
                    shared->owner->Finish(result);
            });
        shared->ended.notify_all();
    });
    return true;
}

void UpdateWorker::Finish(const CheckResult& result) {
    running_ = false;
    // Reporting may show a modal notice, in whose loop the next check may start.
    if (report_)
        report_(kind_, result);
}

} // namespace vh::update
