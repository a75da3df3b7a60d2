#include "platform/SingleInstance.h"
#include "platform/AppPaths.h"
#include "platform/Shell.h"

#include "platform/CoreTestFiles.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <spawn.h>
#include <thread>

extern char** environ;

using vh::platform::SingleInstance;

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1); }

    // Whether a fresh process finds the marker taken.
    bool OtherProcessSeesItTaken() {
        const pid_t pid = fork();
        if (pid == 0) {
            SingleInstance s(name);
            _exit(s.AlreadyExists() ? 1 : 0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 1;
    }

    vh::test::TempFolder dir;
    std::string name = "Varnholt";
};

} // namespace

TEST_F(SingleInstanceTest, SecondProcessSeesTheFirst) {
    EXPECT_FALSE(OtherProcessSeesItTaken());
    {
        SingleInstance first(name);
        EXPECT_FALSE(first.AlreadyExists());
        EXPECT_TRUE(OtherProcessSeesItTaken());
        SingleInstance again(name); // a second marker in the same process is taken too, as with a mutex
        EXPECT_TRUE(again.AlreadyExists());
        SingleInstance other("Other");
        EXPECT_FALSE(other.AlreadyExists());
    }
    EXPECT_FALSE(OtherProcessSeesItTaken());
}

TEST_F(SingleInstanceTest, ReleaseAndACrashGiveTheMarkerUp) {
    SingleInstance first(name);
    first.Release();
    EXPECT_FALSE(OtherProcessSeesItTaken());
    first.Release(); // twice is harmless

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        SingleInstance s(name);
        const char c = s.AlreadyExists() ? 'n' : 'y';
        (void)!write(ready[1], &c, 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    EXPECT_TRUE(SingleInstance(name).AlreadyExists());
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_FALSE(SingleInstance(name).AlreadyExists());
    close(ready[0]);
    close(ready[1]);
}

TEST_F(SingleInstanceTest, ProgramsWeStartDoNotInheritTheMarker) {
    SingleInstance first(name);
    ASSERT_FALSE(first.AlreadyExists());
    pid_t pid = -1;
    char arg0[] = "sleep", arg1[] = "5";
    char* argv[] = {arg0, arg1, nullptr};
    ASSERT_EQ(posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ), 0);
    first.Release();
    EXPECT_FALSE(OtherProcessSeesItTaken());
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// One program installed for everyone: each user runs one copy, and no user blocks another, also not one whose
// shell kept our runtime folder in its environment (su).
TEST_F(SingleInstanceTest, EachUserHasAMarkerOfTheirOwn) {
    if (geteuid() != 0)
        GTEST_SKIP() << "starting a process as another user needs root";
    name = "VarnholtUsers" + std::to_string(getpid());
    SingleInstance mine(name);
    ASSERT_FALSE(mine.AlreadyExists());
    const int rc = vh::test::RunUnprivileged([&] {
        SingleInstance theirs(name);
        if (theirs.AlreadyExists())
            return 1;
        return SingleInstance(name).AlreadyExists() ? 0 : 2;
    });
    EXPECT_EQ(rc, 0);
    unlink(("/tmp/varnholt-65534/" + name + ".lock").c_str());
}

TEST_F(SingleInstanceTest, FallsBackToAPrivateTmpFolder) {
    unsetenv("XDG_RUNTIME_DIR");
    name = "VarnholtTest" + std::to_string(getpid());
    {
        SingleInstance first(name);
        EXPECT_FALSE(first.AlreadyExists());
        EXPECT_TRUE(OtherProcessSeesItTaken());
    }
    // A user with a runtime folder of the login manager's finds the marker there.
    if (access(("/run/user/" + std::to_string(geteuid())).c_str(), F_OK) == 0)
        GTEST_SKIP() << "this user has a runtime folder";
    const std::string folder = "/tmp/varnholt-" + std::to_string(geteuid());
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    unlink((folder + "/" + name + ".lock").c_str());
}

TEST(OpenUrl, StartsTheOpenerWithTheAddressAndReturnsAtOnce) {
    vh::test::TempFolder bin;
    const std::string out = bin.File("args.txt");
    // The desktop's opener, replaced by a script that notes its arguments and then lingers like a browser.
    vh::test::WriteAll(bin.File("xdg-open"), "#!/bin/sh\nexec 2>/dev/null\nprintf '%s|' \"$@\" > " + out +
                                                 ".part\nmv " + out + ".part " + out + "\nsleep 3\n");
    chmod(bin.File("xdg-open").c_str(), 0755);
    const std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (bin.Path() + ":" + oldPath).c_str(), 1);
    vh::platform::OpenUrl("http://127.0.0.1:1/a b?x=1&y='2';rm -rf /");
    vh::platform::OpenUrl("--help"); // never handed over as an option
    setenv("PATH", oldPath.c_str(), 1);
    for (int i = 0; i < 250 && !vh::platform::FileExists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(vh::test::ReadAll(out), "http://127.0.0.1:1/a b?x=1&y='2';rm -rf /|");
    vh::platform::OpenUrl(""); // nothing to open, nothing happens
}
