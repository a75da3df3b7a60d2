#include "storage/Backup.h"

#include <firebird/Interface.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/AppPaths.h"
#include "platform/FileReplace.h"
#include "platform/Text.h"
#include "storage/FbApi.h"
#include "storage/uDBMoudle.h"

namespace fs = std::filesystem;

namespace vh::storage {

namespace {

constexpr const char* kCopyExtension = ".fbk";
constexpr const char* kPartExtension = ".part";

// Two copies at once (the daily one and the one before clearing the records) would clean up each other's
// temporaries.
std::mutex g_backupMutex;

std::string DateDigits(const vh::DateTime& day) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", day.year, day.month, day.day);
    return buf;
}

// The database's file name without its last extension.
std::string Stem(const std::string& databaseFile) {
    const fs::path p(databaseFile);
    return p.stem().string();
}

std::string Join(const std::string& dir, const std::string& name) {
    if (!dir.empty() && (dir.back() == '/' || dir.back() == vh::platform::PathSeparator()))
        return dir + name;
    return dir + vh::platform::PathSeparator() + name;
}

bool AllDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The yyyymmdd of "<stem>-yyyymmdd<ending>", or empty when name is not one of ours of that form.
std::string DateOfName(std::string_view name, std::string_view stem, std::string_view ending) {
    if (name.size() != stem.size() + 1 + 8 + ending.size() || name.substr(0, stem.size()) != stem ||
        name[stem.size()] != '-' || name.substr(name.size() - ending.size()) != ending)
        return {};
    const std::string_view digits = name.substr(stem.size() + 1, 8);
    return AllDigits(digits) ? std::string(digits) : std::string();
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        names.push_back(it->path().filename().string());
    return names;
}

// Lets go of the service's objects however the backup ends.
struct ServiceParts {
    Firebird::ThrowStatusWrapper st;
    Firebird::IXpbBuilder* attachSpb = nullptr;
    Firebird::IXpbBuilder* startSpb = nullptr;
    Firebird::IService* service = nullptr;

    explicit ServiceParts(Firebird::IMaster* master) : st(master->getStatus()) {}
    ~ServiceParts() {
        if (attachSpb)
            attachSpb->dispose();
        if (startSpb)
            startSpb->dispose();
        if (service) {
            try {
                service->detach(&st);
            } catch (...) {
                service->release();
            }
        }
        st.dispose();
    }
    ServiceParts(const ServiceParts&) = delete;
    ServiceParts& operator=(const ServiceParts&) = delete;
};

// Waits, at most a minute, until the service says it has stopped. A failed service says so while its thread
// is still finishing, and a process that ends in those moments crashes in the engine's exit handlers
// (Debian's own "gbak -b -se service_mgr" to a folder it may not write does so in about half of its runs;
// 10 ms later no run did). The program may be closed right after a failed copy, so after a failure the
// copy waits a little longer.
void WaitUntilEnded(Firebird::IService* service, bool failed) {
    Firebird::ThrowStatusWrapper st(vh::fb::Client::Get().Master()->getStatus());
    const unsigned char request[] = {isc_info_svc_running};
    unsigned char answer[64];
    for (int attempt = 0; attempt < 1200; ++attempt) {
        try {
            service->query(&st, 0, nullptr, sizeof request, request, sizeof answer, answer);
        } catch (const Firebird::FbException&) {
            break;
        }
        if (answer[0] != isc_info_svc_running)
            break;
        const int running = answer[1] | (answer[2] << 8) | (answer[3] << 16) | (answer[4] << 24);
        if (running == 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    st.dispose();
    if (failed)
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
}

// The engine's backup of databaseFile into target, as "gbak -b -se service_mgr" runs it. The embedded
// engine runs the service in this process, on a thread of its own, in one snapshot transaction; the
// query below returns when the service has ended and reports its failure as an error. Garbage collection
// is left to the program's own work: the copy should read the database, not write it.
void RunEngineBackup(const std::string& databaseFile, const std::string& target) {
    vh::fb::Client& client = vh::fb::Client::Get();
    ServiceParts p(client.Master());
    try {
        Firebird::IUtil* util = client.Util();
        p.attachSpb = util->getXpbBuilder(&p.st, Firebird::IXpbBuilder::SPB_ATTACH, nullptr, 0);
        p.attachSpb->insertString(&p.st, isc_spb_user_name, TDMMain::kUserName);
        p.attachSpb->insertString(&p.st, isc_spb_password, TDMMain::kPassword);
        p.service = client.Provider()->attachServiceManager(&p.st, "service_mgr", p.attachSpb->getBufferLength(&p.st),
                                                            p.attachSpb->getBuffer(&p.st));
        p.startSpb = util->getXpbBuilder(&p.st, Firebird::IXpbBuilder::SPB_START, nullptr, 0);
        p.startSpb->insertTag(&p.st, isc_action_svc_backup);
        p.startSpb->insertString(&p.st, isc_spb_dbname, databaseFile.c_str());
        p.startSpb->insertString(&p.st, isc_spb_bkp_file, target.c_str());
        p.startSpb->insertInt(&p.st, isc_spb_options, isc_spb_bkp_no_garbage_collect);
        p.service->start(&p.st, p.startSpb->getBufferLength(&p.st), p.startSpb->getBuffer(&p.st));
        const unsigned char request[] = {isc_info_svc_line};
        unsigned char answer[1024];
        for (;;) {
            p.service->query(&p.st, 0, nullptr, sizeof request, request, sizeof answer, answer);
            // Without verbose output the service prints nothing: an empty line means it has ended.
            if (answer[0] != isc_info_svc_line)
                break;
            const unsigned length = answer[1] | (answer[2] << 8);
            if (length == 0)
                break;
        }
    } catch (const Firebird::FbException& e) {
        const std::string why = vh::fb::FormatStatus(e.getStatus());
        if (p.service)
            WaitUntilEnded(p.service, true);
        throw vh::fb::Error(why);
    }
    // The file is complete once the service has stopped.
    WaitUntilEnded(p.service, false);
}

void RemoveQuietly(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

BackupOutcome Failed(const std::string& nativeReason) {
    BackupOutcome o;
    o.reason = vh::text::NativeToGbk(nativeReason);
    return o;
}

} // namespace

std::string BackupFolderFor(const std::string& databaseFile) {
    std::string folder = fs::path(databaseFile).parent_path().string();
    if (folder.empty())
        folder = ".";
    return Join(folder, "backup");
}

std::string BackupFileName(const std::string& databaseFile, const vh::DateTime& day) {
    return Stem(databaseFile) + "-" + DateDigits(day) + kCopyExtension;
}

BackupOutcome BackupDatabase(const std::string& databaseFile, const std::string& backupDir, const vh::DateTime& day,
                             int keep) {
    std::lock_guard<std::mutex> lock(g_backupMutex);
    const std::string stem = Stem(databaseFile);
    const std::string name = BackupFileName(databaseFile, day);
    const std::string final = Join(backupDir, name);
    const std::string part = final + kPartExtension;

    std::error_code ec;
    // The copies are the user's records, as private as the database's folder (installed, mode 0700).
    if (fs::create_directories(backupDir, ec))
        fs::permissions(backupDir, fs::perms::owner_all, ec);
    if (ec)
        return Failed("cannot create the backup folder " + backupDir + ": " + ec.message());
    if (!fs::is_regular_file(databaseFile, ec))
        return Failed("no database file " + databaseFile);

    // What an interrupted copy left behind is never a copy.
    const std::string partEnding = std::string(kCopyExtension) + kPartExtension;
    for (const std::string& entry : Names(backupDir))
        if (!DateOfName(entry, stem, partEnding).empty())
            RemoveQuietly(Join(backupDir, entry));

    try {
        RunEngineBackup(databaseFile, part);
    } catch (const std::exception& e) {
        RemoveQuietly(part);
        return Failed(e.what());
    }
    if (!fs::is_regular_file(part, ec))
        return Failed("the engine wrote no copy " + part);
    fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write, ec);
    std::string error;
    if (!vh::platform::ReplaceFileDurably(part, final, error)) {
        RemoveQuietly(part);
        return Failed(error);
    }

    // The new copy is one of those kept, whatever the dates of the others (the clock may have gone back).
    const std::string made = DateDigits(day);
    std::vector<std::string> others;
    for (const std::string& entry : Names(backupDir))
        if (std::string date = DateOfName(entry, stem, kCopyExtension); !date.empty() && date != made)
            others.push_back(std::move(date));
    std::sort(others.begin(), others.end(), std::greater<>());
    const std::size_t keptOthers = static_cast<std::size_t>(std::max(keep, 1) - 1);
    for (std::size_t i = keptOthers; i < others.size(); ++i)
        RemoveQuietly(Join(backupDir, stem + "-" + others[i] + kCopyExtension));

    BackupOutcome o;
    o.done = true;
    o.file = final;
    return o;
}

bool DailyBackupDue(const std::string& databaseFile, const std::string& backupDir, const vh::DateTime& now) {
    std::error_code ec;
    return !fs::is_regular_file(Join(backupDir, BackupFileName(databaseFile, now)), ec);
}

} // namespace vh::storage
