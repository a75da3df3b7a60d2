#pragma once
// A scratch file per fuzzing process, on a memory file system when there is one (the settings writer
// syncs every write). Removed when the process exits.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vh::fuzz {

inline const std::string& ScratchDir() {
    static const std::string dir = [] {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        const std::string d = std::string(base) + "/vh-fuzz-" + std::to_string(getpid());
        ::mkdir(d.c_str(), 0700);
        // Kept on the heap: the exit handler runs after static strings are gone.
        static const std::string* const forExit = new std::string(d);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*forExit, ec);
        });
        return d + "/";
    }();
    return dir;
}

inline std::string WriteScratch(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = ScratchDir() + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        __builtin_trap();
    if (size)
        std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}

} // namespace vh::fuzz
