// Where the program's files live: beside a program in a folder of the user's own, in the user's data folder
// for an installed one, with the delivered files copied there once and never over the user's own.
#include "platform/AppLocations.h"
#include "platform/AppPaths.h"

#include "platform/CoreTestFiles.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>

namespace fs = std::filesystem;

using namespace vh::platform;
using vh::test::ReadAll;
using vh::test::WriteAll;

namespace {

const std::vector<std::string> kDelivered = {"Config.ini", "SuccessTips.txt", "ABC.GDB"};

TEST(AppLocations, TheRule) {
    struct Case {
        const char* what;
        LocationFacts facts;
        bool installed;
        std::string dataDir, traceFile, deliveredDir;
    };
    const Case cases[] = {
        {"the build folder",
         {"/work/build/bin/", true, false, "", "", "/root"},
         false,
         "/work/build/bin/",
         "/work/build/bin/logd.txt",
         ""},
        {"root running the installed program",
         {"/usr/bin/", true, true, "", "", "/root"},
         true,
         "/root/.local/share/varnholt/",
         "/root/.local/state/varnholt/logd.txt",
         "/usr/share/varnholt/"},
        {"a user and the base-directory variables",
         {"/usr/bin/", false, true, "/x/data/", "/x/state", "/home/u"},
         true,
         "/x/data/varnholt/",
         "/x/state/varnholt/logd.txt",
         "/usr/share/varnholt/"},
        {"relative variables count as unset",
         {"/usr/local/bin/", false, true, "data", "state", "/home/u"},
         true,
         "/home/u/.local/share/varnholt/",
         "/home/u/.local/state/varnholt/logd.txt",
         "/usr/local/share/varnholt/"},
        {"a relocated prefix",
         {"/opt/vh/bin/", false, true, "", "", "/home/u"},
         true,
         "/home/u/.local/share/varnholt/",
         "/home/u/.local/state/varnholt/logd.txt",
         "/opt/vh/share/varnholt/"},
        {"a read-only copy delivers its own files",
         {"/media/cd/vh/", false, false, "", "", "/home/u"},
         true,
         "/home/u/.local/share/varnholt/",
         "/home/u/.local/state/varnholt/logd.txt",
         "/media/cd/vh/"},
        {"no home at all",
         {"/usr/bin/", false, true, "", "", ""},
         true,
         "/usr/bin/",
         "/usr/bin/logd.txt",
         "/usr/share/varnholt/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const AppLocations where = DecideLocations(c.facts);
        EXPECT_EQ(where.installed, c.installed);
        EXPECT_EQ(where.dataDir, c.dataDir);
        EXPECT_EQ(where.traceFile, c.traceFile);
        EXPECT_EQ(where.deliveredDir, c.deliveredDir);
        EXPECT_EQ(where.File("Config.ini"), c.dataDir + "Config.ini");
    }
}

TEST(AppLocations, AnApplicationFolderSetForTestsIsTheUsersOwn) {
    OverrideExecutableDir("/usr/lib/somewhere/");
    const AppLocations where = ThisProcessLocations();
    OverrideExecutableDir("");
    EXPECT_FALSE(where.installed);
    EXPECT_EQ(where.dataDir, "/usr/lib/somewhere/");
    EXPECT_EQ(where.traceFile, "/usr/lib/somewhere/logd.txt");
}

// A prefix as a package lays it out (bin/ and share/varnholt/, owned by root, read-only for others) and a
// home of an unprivileged user, on disk.
class InstalledLayout : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(bin);
        fs::create_directories(shared);
        for (const std::string& name : kDelivered)
            WriteAll(shared + name, "delivered " + name);
        for (const std::string& dir : {root.Path() + "/usr", bin, root.Path() + "/usr/share", shared})
            fs::permissions(dir, fs::perms(0755));
        fs::create_directories(home);
        ASSERT_EQ(chown(home.c_str(), 65534, 65534), 0);
    }

    // The steps of the program's start as the user nobody with that home; 0 when the program counts as
    // installed and nothing was thrown.
    int StartAsNobody(const std::vector<std::string>& env = {}) {
        return vh::test::RunUnprivileged([&] {
            setenv("HOME", home.c_str(), 1);
            unsetenv("XDG_DATA_HOME");
            unsetenv("XDG_STATE_HOME");
            for (const std::string& e : env)
                putenv(const_cast<char*>(e.c_str()));
            const AppLocations where = DecideLocations(FactsOf(bin + "/"));
            try {
                ProvideDeliveredFiles(where, kDelivered);
            } catch (const std::runtime_error&) {
                return 3;
            }
            return where.installed ? 0 : 1;
        });
    }

    vh::test::TempFolder root;
    const std::string bin = root.Path() + "/usr/bin";
    const std::string shared = root.Path() + "/usr/share/varnholt/";
    const std::string home = root.Path() + "/home";
    const std::string data = home + "/.local/share/varnholt/";
};

TEST_F(InstalledLayout, AFolderTheUserMayWriteKeepsEverythingBesideTheExecutable) {
    // Root may write the folder, and it lies below no system prefix: a copy of root's own.
    const AppLocations where = DecideLocations(FactsOf(bin + "/"));
    EXPECT_FALSE(where.installed);
    EXPECT_EQ(where.dataDir, bin + "/");
    ProvideDeliveredFiles(where, kDelivered);
    EXPECT_FALSE(fs::exists(bin + "/Config.ini"));
}

TEST_F(InstalledLayout, TheFirstStartCopiesTheDeliveredFilesAndNeverOverwritesTheUsers) {
    ASSERT_EQ(StartAsNobody(), 0);
    for (const std::string& name : kDelivered)
        EXPECT_EQ(ReadAll(data + name), "delivered " + name) << name;
    struct stat st {};
    ASSERT_EQ(stat(data.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, 65534u);
    ASSERT_EQ(stat((data + "ABC.GDB").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_TRUE(fs::is_directory(home + "/.local/state/varnholt"));

    // The user's records and settings stay; a file the user lost comes back; no temporary file is left.
    WriteAll(data + "Config.ini", "mine");
    WriteAll(data + "ABC.GDB", "my records");
    fs::remove(data + "SuccessTips.txt");
    ASSERT_EQ(StartAsNobody(), 0);
    EXPECT_EQ(ReadAll(data + "Config.ini"), "mine");
    EXPECT_EQ(ReadAll(data + "ABC.GDB"), "my records");
    EXPECT_EQ(ReadAll(data + "SuccessTips.txt"), "delivered SuccessTips.txt");
    EXPECT_EQ(std::distance(fs::directory_iterator(data), fs::directory_iterator()), 3);
}

TEST_F(InstalledLayout, TheBaseDirectoryVariablesChooseTheFolders) {
    const std::string xdgData = root.Path() + "/xdg-data", xdgState = root.Path() + "/xdg-state";
    for (const std::string& dir : {xdgData, xdgState}) {
        fs::create_directories(dir);
        ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(StartAsNobody({"XDG_DATA_HOME=" + xdgData, "XDG_STATE_HOME=" + xdgState}), 0);
    EXPECT_EQ(ReadAll(xdgData + "/varnholt/Config.ini"), "delivered Config.ini");
    EXPECT_TRUE(fs::is_directory(xdgState + "/varnholt"));
    EXPECT_FALSE(fs::exists(home + "/.local"));
}

TEST_F(InstalledLayout, AMissingDeliveredFileIsReportedAndTheOthersAreStillCopied) {
    fs::remove(shared + "SuccessTips.txt");
    EXPECT_EQ(StartAsNobody(), 3);
    EXPECT_EQ(ReadAll(data + "Config.ini"), "delivered Config.ini");
    EXPECT_EQ(ReadAll(data + "ABC.GDB"), "delivered ABC.GDB");
    EXPECT_FALSE(fs::exists(data + "SuccessTips.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(data), fs::directory_iterator()), 2);
}

} // namespace
