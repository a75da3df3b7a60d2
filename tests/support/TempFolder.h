#pragma once
// Real files for tests on every backend: a fresh folder removed with everything in it, whole-file reads
// and writes, and a temporary application folder that the program's ExecutableDir() points at.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/AppPaths.h"

namespace vh::test {

class TempFolder {
public:
    TempFolder() {
        namespace fs = std::filesystem;
        std::random_device rd;
        for (int attempt = 0;; ++attempt) {
            const fs::path candidate = fs::temp_directory_path() / ("vh-test-" + std::to_string(rd()));
            std::error_code ec;
            if (fs::create_directory(candidate, ec)) {
                path_ = candidate.string();
                break;
            }
            if (attempt > 100)
                std::abort();
        }
        // Writable by everyone: some tests write as an unprivileged user.
        std::error_code ec;
        fs::permissions(path_, fs::perms::all, ec);
    }
    ~TempFolder() {
        namespace fs = std::filesystem;
        std::error_code ec;
        // Read-only entries a test left behind must not keep the folder alive.
        for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::permissions(path_, fs::perms::all, ec);
        fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return (std::filesystem::path(path_) / name).string(); }
    // The folder's entries, to see that no temporary file was left behind.
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path_), {}));
    }

private:
    std::string path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

// A temporary application folder: ExecutableDir() reports it while the object lives.
class AppFolder {
public:
    AppFolder() : dir_(folder_.Path() + vh::platform::PathSeparator()) {
        // Only the owner writes here, as in a real installation (some tests open it as another user).
        std::error_code ec;
        std::filesystem::permissions(folder_.Path(),
                                     std::filesystem::perms::group_write | std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove, ec);
        vh::platform::OverrideExecutableDir(dir_);
    }
    ~AppFolder() { vh::platform::OverrideExecutableDir(""); }
    AppFolder(const AppFolder&) = delete;
    AppFolder& operator=(const AppFolder&) = delete;

    // Without the trailing separator.
    const std::string& Folder() const { return folder_.Path(); }
    // With its trailing separator, as vh::platform::ExecutableDir() reports it.
    const std::string& Dir() const { return dir_; }
    // relative may use '/' on every platform; missing folders are created.
    std::string Path(const std::string& relative) const {
        std::string r = relative;
        for (char& c : r)
            if (c == '/')
                c = vh::platform::PathSeparator();
        const std::string path = dir_ + r;
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
        return path;
    }
    std::string Config() const { return Path("Config.ini"); }
    void WriteFile(const std::string& relative, const std::string& bytes) const { WriteAll(Path(relative), bytes); }
    std::string ReadFile(const std::string& relative) const { return ReadAll(Path(relative)); }
    void Remove(const std::string& relative) const {
        std::error_code ec;
        std::filesystem::remove(Path(relative), ec);
    }

private:
    TempFolder folder_;
    std::string dir_;
};

} // namespace vh::test
