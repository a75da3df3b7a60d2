// The XDG autostart entry, checked with desktop-file-validate.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "platform/Autorun.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

using vh::test::ReadAll;

namespace {

std::string ExecLine(const std::string& entry) {
    std::istringstream in(entry);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("Exec=", 0) == 0)
            return line.substr(5);
    return std::string();
}

// desktop-file-validate's verdict: empty when valid, its complaints otherwise.
std::string Validate(const std::string& path) {
    const std::string cmd = "desktop-file-validate '" + path + "' 2>&1; echo \"rc=$?\"";
    std::string out;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[512];
        while (size_t n = std::fread(buf, 1, sizeof buf, p))
            out.append(buf, n);
        ::pclose(p);
    }
    return out == "rc=0\n" ? std::string() : out;
}

class AutorunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
        entry_ = dir_ + "/config/autostart/Varnholt.desktop";
    }
    void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }
    vh::test::TempFolder folder_;
    const std::string dir_ = folder_.Path();
    std::string entry_;
};

TEST_F(AutorunTest, WritesAValidEntryThatStartsTheProgram) {
    EXPECT_FALSE(vh::platform::AutorunEntryExists());
    vh::platform::WriteAutorunEntry("/opt/varnholt/bin/varnholt");
    ASSERT_TRUE(vh::platform::AutorunEntryExists());
    const std::string entry = ReadAll(entry_);
    EXPECT_EQ(Validate(entry_), "");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(entry.find("\nName=Varnholt\n"), std::string::npos);
    EXPECT_EQ(ExecLine(entry), "/opt/varnholt/bin/varnholt");
    // Only the entry is left: it was written beside itself and renamed.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ + "/config/autostart"), fs::directory_iterator()), 1);
}

TEST_F(AutorunTest, PathsWithReservedCharactersAreQuoted) {
    struct Case {
        std::string path;
        std::string exec;
    };
    const Case cases[] = {
        {"/home/u/My Programs/varnholt", "\"/home/u/My Programs/varnholt\""},
        {"/home/u/100%/varnholt", "/home/u/100%%/varnholt"},
        {"/home/u/a $b/v\"x", "\"/home/u/a \\\\$b/v\\\\\"x\""},
        {"/home/u/back\\slash/v", "\"/home/u/back\\\\\\\\slash/v\""},
        {"/home/u/\xe5\xb7\xa5\xe5\x85\xb7 \xe7\xae\xb1/varnholt",
         "\"/home/u/\xe5\xb7\xa5\xe5\x85\xb7 \xe7\xae\xb1/varnholt\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        vh::platform::WriteAutorunEntry(c.path);
        EXPECT_EQ(ExecLine(ReadAll(entry_)), c.exec);
        EXPECT_EQ(Validate(entry_), "");
    }
}

TEST_F(AutorunTest, RewritingReplacesAndRemovingDeletes) {
    vh::platform::WriteAutorunEntry("/a/varnholt");
    vh::platform::WriteAutorunEntry("/b/varnholt");
    EXPECT_EQ(ExecLine(ReadAll(entry_)), "/b/varnholt");
    vh::platform::RemoveAutorunEntry();
    EXPECT_FALSE(vh::platform::AutorunEntryExists());
    EXPECT_NO_THROW(vh::platform::RemoveAutorunEntry()); // a missing entry is no error
}

TEST_F(AutorunTest, UnwritableFolderThrowsAndLeavesNothing) {
    fs::create_directories(dir_ + "/config");
    std::ofstream(dir_ + "/config/autostart") << "a file where the folder should be";
    EXPECT_THROW(vh::platform::WriteAutorunEntry("/opt/varnholt/bin/varnholt"), std::runtime_error);
    EXPECT_FALSE(vh::platform::AutorunEntryExists());
    EXPECT_NO_THROW(vh::platform::RemoveAutorunEntry());
}

TEST_F(AutorunTest, PathThatCannotBeAnEntryIsRefused) {
    EXPECT_THROW(vh::platform::WriteAutorunEntry(""), std::runtime_error);
    EXPECT_THROW(vh::platform::WriteAutorunEntry("relative/varnholt"), std::runtime_error);
    EXPECT_THROW(vh::platform::WriteAutorunEntry("/opt/\xb9\xa4\xbe\xdf/varnholt"), std::runtime_error); // not UTF-8
    EXPECT_FALSE(vh::platform::AutorunEntryExists());
}

TEST_F(AutorunTest, WithoutXdgConfigHomeTheEntryGoesBelowHome) {
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", (dir_ + "/home").c_str(), 1);
    vh::platform::WriteAutorunEntry("/opt/varnholt/bin/varnholt");
    EXPECT_TRUE(fs::exists(dir_ + "/home/.config/autostart/Varnholt.desktop"));
    EXPECT_TRUE(vh::platform::AutorunEntryExists());
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_TRUE(vh::platform::AutorunEntryExists());
    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

} // namespace
