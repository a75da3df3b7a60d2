#pragma once
// Daily copies of the database in a folder "backup" beside it, made by the engine's own backup (the
// service manager, which the embedded engine runs inside this process). A copy is consistent (one snapshot
// of the database, whatever the program writes meanwhile), is written under a temporary name and renamed
// into place only when complete, and only the newest copies are kept.
//
// Plain C++ and safe on a worker thread: each call uses a service attachment of its own, never the
// program's connection. Calls in one process run one after the other.
#include <string>

#include "platform/Clock.h"

namespace vh::storage {

struct BackupOutcome {
    bool done = false;
    // The copy's full path, when done.
    std::string file;
    // Why no copy was made (GBK: the engine's or the system's text), when not done.
    std::string reason;
};

// "<the database's folder>/backup", where the copies of databaseFile go.
std::string BackupFolderFor(const std::string& databaseFile);

// The copy's file name for a day: the database's name without its extension, "-", the date as yyyymmdd,
// ".fbk" ("ABC.GDB" on 9 December 2026: "ABC-20261209.fbk").
std::string BackupFileName(const std::string& databaseFile, const vh::DateTime& day);

// Copies databaseFile into backupDir (made when missing) as the copy of day, replacing an earlier copy of
// that day. Then removes the copies of this database beyond the newest keep (by the date in their names;
// at least the new one stays) and temporaries left by an interrupted copy. A failure leaves the database
// and the earlier copies as they were. Restore a copy with "gbak -c" while the program is stopped.
[[nodiscard]] BackupOutcome BackupDatabase(const std::string& databaseFile, const std::string& backupDir,
                                           const vh::DateTime& day, int keep = 7);

// True while backupDir holds no copy of databaseFile made for the day of now.
bool DailyBackupDue(const std::string& databaseFile, const std::string& backupDir, const vh::DateTime& now);

} // namespace vh::storage
