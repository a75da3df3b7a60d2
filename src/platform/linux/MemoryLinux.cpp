#include "platform/Memory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <sys/mman.h>

#ifndef MADV_PAGEOUT
#define MADV_PAGEOUT 21
#endif

namespace vh::platform {

namespace {

struct Mapping {
    unsigned long begin = 0, end = 0;
    bool fileBacked = false;
    bool writable = false;
    bool anonymousPages = false;
};

void PageOut(const Mapping& m) {
    // Only mappings whose every resident page is a clean copy of a file: private pages (relocated
    // data, written copies) would go to swap, if there is one, and be slow to come back.
    if (!m.fileBacked || m.writable || m.anonymousPages || m.end <= m.begin)
        return;
    // Refused for special mappings and on kernels before 5.4: then the pages just stay.
    madvise(reinterpret_cast<void*>(m.begin), m.end - m.begin, MADV_PAGEOUT);
}

} // namespace

void TrimWorkingSet() {
    malloc_trim(0);
    FILE* f = std::fopen("/proc/self/smaps", "re");
    if (!f)
        return;
    char line[4096];
    Mapping cur;
    bool have = false;
    while (std::fgets(line, sizeof line, f)) {
        unsigned long b = 0, e = 0;
        char perms[8] = {};
        unsigned long offset = 0, inode = 0;
        char dev[16] = {};
        int pathAt = 0;
        if (std::sscanf(line, "%lx-%lx %7s %lx %15s %lu %n", &b, &e, perms, &offset, dev, &inode, &pathAt) >= 6) {
            if (have)
                PageOut(cur);
            cur = Mapping{b, e, inode != 0 && line[pathAt] == '/', perms[1] == 'w', false};
            have = true;
        } else if (std::strncmp(line, "Anonymous:", 10) == 0) {
            cur.anonymousPages = std::strtoul(line + 10, nullptr, 10) != 0;
        }
    }
    std::fclose(f);
    if (have)
        PageOut(cur);
}

} // namespace vh::platform
