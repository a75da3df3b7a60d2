#include "app/DailyBackup.h"

#include <QMetaObject>

#include "platform/Clock.h"
#include "storage/Backup.h"
#include "storage/uDBFunc.h"

TDailyBackup::TDailyBackup(std::function<void(const std::string&)> trace, QObject* parent)
    : QObject(parent), trace_(std::move(trace)) {
    // A minute is fine enough for "the first tick after midnight", and a stat of a folder costs nothing.
    timer_.setInterval(60000);
    connect(&timer_, &QTimer::timeout, this, [this] { (void)CheckNow(); });
}

TDailyBackup::~TDailyBackup() {
    Wait();
}

void TDailyBackup::Start() {
    timer_.start();
    QTimer::singleShot(0, this, [this] { (void)CheckNow(); });
}

bool TDailyBackup::CheckNow() {
    if (running_)
        return false;
    // Without a connection there is no database to copy (the fallback may come later).
    const std::string database = TDBFunc::DatabaseFile();
    if (database.empty())
        return false;
    const std::string folder = vh::storage::BackupFolderFor(database);
    const vh::DateTime now = vh::Now();
    if (vh::ToSystemTime(now) < retryFrom_ || !vh::storage::DailyBackupDue(database, folder, now))
        return false;
    Wait();
    running_ = true;
    worker_ = std::thread([this, database, folder, now] {
        const vh::storage::BackupOutcome outcome = vh::storage::BackupDatabase(database, folder, now);
        QMetaObject::invokeMethod(this, [this, outcome, now] {
            running_ = false;
            retryFrom_ =
                outcome.done ? std::chrono::system_clock::time_point{} : vh::ToSystemTime(now) + std::chrono::hours(1);
            if (trace_)
                trace_(outcome.done ? "backup:" + outcome.file : "backup failed:" + outcome.reason);
            emit Finished(outcome.done);
        });
    });
    return true;
}

void TDailyBackup::Wait() {
    if (worker_.joinable())
        worker_.join();
}
