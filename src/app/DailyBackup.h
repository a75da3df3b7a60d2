#pragma once
// The daily copy of the database: checked at start and then every minute, made on a thread of its own so
// that the window never waits for it, and reported in the trace. A copy that failed is tried again an hour
// later, not at every check: a full disk would otherwise get a copy of the whole database every minute. The
// exit waits for a copy under way.
#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

class TDailyBackup : public QObject {
    Q_OBJECT
public:
    // trace: one entry of the sampler's trace file.
    explicit TDailyBackup(std::function<void(const std::string&)> trace, QObject* parent = nullptr);
    ~TDailyBackup() override;

    // Starts the checks; the first runs once the message loop does.
    void Start();
    // Starts today's copy when none exists yet, none is under way and no failed one is waiting for its next
    // try; false when nothing was started.
    bool CheckNow();
    // True while a copy is being made.
    bool Running() const { return running_; }
    // Waits for a copy under way.
    void Wait();

signals:
    // A copy has ended (on the user-interface thread).
    void Finished(bool done);

private:
    std::function<void(const std::string&)> trace_;
    QTimer timer_;
    std::thread worker_;
    std::atomic<bool> running_{false};
    std::chrono::system_clock::time_point retryFrom_{};
};
