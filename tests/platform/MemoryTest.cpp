#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "platform/Memory.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#endif

namespace {

TEST(TrimWorkingSet, KeepsEveryByteOfHeapAndWrittenData) {
    // Freed blocks around a live one: the trim may give the free ones back, never the live one.
    std::vector<std::unique_ptr<char[]>> freed;
    for (int i = 0; i < 64; ++i)
        freed.emplace_back(new char[64 * 1024]);
    std::vector<unsigned char> live(8 * 1024 * 1024);
    std::iota(live.begin(), live.end(), static_cast<unsigned char>(7));
    freed.clear();
    static unsigned char written[256 * 1024];
    for (std::size_t i = 0; i < sizeof written; ++i)
        written[i] = static_cast<unsigned char>(i * 31);

    vh::platform::TrimWorkingSet();
    vh::platform::TrimWorkingSet();

    for (std::size_t i = 0; i < live.size(); ++i)
        ASSERT_EQ(live[i], static_cast<unsigned char>(7 + i)) << i;
    for (std::size_t i = 0; i < sizeof written; ++i)
        ASSERT_EQ(written[i], static_cast<unsigned char>(i * 31)) << i;
}

#ifndef _WIN32
// Resident kB of the mapping that starts at addr, from /proc/self/smaps.
long ResidentKb(const void* addr) {
    std::ifstream smaps("/proc/self/smaps");
    char head[32];
    std::snprintf(head, sizeof head, "%lx-", reinterpret_cast<unsigned long>(addr));
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        if (line.rfind(head, 0) == 0)
            inside = true;
        else if (inside && line.rfind("Rss:", 0) == 0)
            return std::strtol(line.c_str() + 4, nullptr, 10);
    }
    return -1;
}

TEST(TrimWorkingSet, ReleasesCleanFilePagesAndTheyReadBackUnchanged) {
    // A file of our own on disk (tmpfs pages could not be released without swap).
    const std::string path = "trim_test.bin";
    std::string content(4 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i % 251);
    std::ofstream(path, std::ios::binary).write(content.data(), content.size());
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    void* map = mmap(nullptr, content.size(), PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    ASSERT_NE(map, MAP_FAILED);
    const auto* bytes = static_cast<const volatile char*>(map);
    for (std::size_t i = 0; i < content.size(); i += 4096)
        (void)bytes[i];
    EXPECT_GE(ResidentKb(map), 4000);

    vh::platform::TrimWorkingSet();
    EXPECT_LT(ResidentKb(map), 1000);
    EXPECT_EQ(std::memcmp(map, content.data(), content.size()), 0);

    munmap(map, content.size());
    unlink(path.c_str());
}
#endif

} // namespace
