// A child process for the backup tests: one backup as the program's worker makes it, in a process of its own
// so that it can be killed in the middle, run as another user, or given a file-size limit.
//   storage_backup_driver <database> <backupdir> <yyyymmdd> [file-size limit in bytes]
// Prints "done <file>" or "failed <reason>". The limit is the disk that fills up: the process must get a
// failed write, not SIGXFSZ, and it sets nothing up for that itself.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Text.h"
#include "storage/Backup.h"

namespace {

void Say(const std::string& line) {
    const std::string out = line + "\n";
    (void)!::write(1, out.data(), out.size());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s <database> <backupdir> <yyyymmdd> [fsize]\n", argv[0]);
        return 2;
    }
    const std::string date = argv[3];
    const vh::DateTime day{std::atoi(date.substr(0, 4).c_str()), std::atoi(date.substr(4, 2).c_str()),
                           std::atoi(date.substr(6, 2).c_str())};
    if (argc == 5) {
        const rlim_t limit = std::strtoull(argv[4], nullptr, 10);
        const rlimit r{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &r) != 0)
            return 3;
    }
    const vh::storage::BackupOutcome outcome = vh::storage::BackupDatabase(argv[1], argv[2], day);
    if (outcome.done)
        Say("done " + outcome.file);
    else
        Say("failed " + vh::text::GbkToUtf8(outcome.reason));
    return 0;
}
