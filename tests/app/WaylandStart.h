#pragma once
// The real program started on a private Wayland desktop as the desktop user, from a folder of its own with
// the database built from the schema and a Config.ini that puts the window away at start, starts sampling at
// once (the first sample one minute later) and sends a close request to every program sampled (none is a
// work program). The client in front when the program started must be that first sample: it is the one
// that closes.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "support/SwayFixture.h"

namespace vh::test {

class ProgramFolder {
public:
    ProgramFolder() {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / "vh-start-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no folder for the program");
        dir_ = pattern;
        fs::copy_file(VH_PROGRAM, dir_ + "/varnholt");
        fs::copy_file(VH_TEMPLATE_DB, dir_ + "/ABC.GDB");
        std::ofstream(dir_ + "/Config.ini")
            << "[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\nStartPasswd=0\r\n"
               "[System]\r\nAutoMinimize=1\r\nAutoTask=1\r\nAutoRun=0\r\nunwork=1\r\n"
               "[OtherSettings]\r\nAutoUpdate=0\r\n"
               "[TimeConfig]\r\nTaskexecutype=0\r\nTimeFrom=0:00:00\r\nTimeEnd=23:59:59\r\nMonitorInterval=1\r\n";
        // The program writes its database, settings and trace as the desktop user.
        const DesktopUser user = TheDesktopUser();
        chmod(dir_.c_str(), 0755);
        for (const char* f : {"", "/varnholt", "/ABC.GDB", "/Config.ini"}) {
            if (chown((dir_ + f).c_str(), user.uid, user.gid) != 0)
                throw std::runtime_error("cannot hand the program's folder to the desktop user");
        }
    }
    ~ProgramFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    std::string Program() const { return dir_ + "/varnholt"; }

    // The first sample, a minute after the start, is the user's window: the close request ends its client
    // (foot), and the program goes on.
    static void ExpectFirstSampleCloses(XChild& user, XChild& program) {
        EXPECT_TRUE(user.WaitExit(std::chrono::seconds(100))) << "the first sample was not the user's window";
        EXPECT_TRUE(program.Running());
    }

private:
    std::string dir_;
};

} // namespace vh::test
