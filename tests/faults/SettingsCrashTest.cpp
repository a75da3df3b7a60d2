// A process killed in the middle of writing Config.ini must leave a file that still parses with every key
// present, holding either its old or its new value, never a truncated one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "platform/ProfileString.h"
#include "settings/SettingsAccessor.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

constexpr int kKeys = 12;

std::string KeyName(int k) {
    return "Key" + std::to_string(k);
}
std::string SectionName(int k) {
    return k % 2 ? "TimeConfig" : "Security";
}
// A value that shows its own completeness: generation, key, padding, end mark.
std::string ValueFor(int gen, int k) {
    return "g" + std::to_string(gen) + "k" + std::to_string(k) + std::string(40 + (gen * 7 + k) % 300, 'x') + "END";
}
bool WellFormed(const std::string& v, int k, int& gen) {
    if (v.size() < 5 || v[0] != 'g' || v.substr(v.size() - 3) != "END")
        return false;
    const auto kpos = v.find('k');
    if (kpos == std::string::npos)
        return false;
    gen = std::stoi(v.substr(1, kpos - 1));
    return v == ValueFor(gen, k);
}

using vh::test::ReadAll;

class SettingsCrash : public ::testing::Test {
protected:
    void SetUp() override { path_ = (dir_ / "Config.ini").string(); }

    vh::test::TempFolder folder_;
    const fs::path dir_ = folder_.Path();
    std::string path_;
};

TEST_F(SettingsCrash, KilledWriterLeavesEveryKeyWhole) {
    // Lines the writer never touches must survive byte for byte.
    const std::string header = "; kept comment\r\n[Other]\r\nFoo = bar baz \r\n";
    {
        std::ofstream out(path_, std::ios::binary);
        out << header;
    }
    TSettingsAccessor acc;
    acc.SetSettingsPath(path_);
    for (int k = 0; k < kKeys; ++k)
        acc.WriteText(SectionName(k), KeyName(k), ValueFor(0, k));

    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> delayUs(200, 40000);
    int lastGen = 0;
    int prev[kKeys] = {};
    int killedMidWrite = 0;
    pid_t lastChild = 0;
    for (int round = 1; round <= 30; ++round) {
        const int firstGen = lastGen + 1;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TSettingsAccessor w;
            w.SetSettingsPath(path_);
            for (int gen = firstGen;; ++gen)
                for (int k = 0; k < kKeys; ++k)
                    w.WriteText(SectionName(k), KeyName(k), ValueFor(gen, k));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
        kill(child, SIGKILL);
        lastChild = child;
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "writer ended by itself in round " << round;

        const std::string file = ReadAll(path_);
        ASSERT_EQ(file.compare(0, header.size(), header), 0) << "round " << round << " lost untouched lines";
        EXPECT_EQ(acc.ReadText("Other", "Foo", "?"), "bar baz") << "round " << round;
        int maxGen = 0;
        int gens[kKeys];
        for (int k = 0; k < kKeys; ++k) {
            const std::string v = acc.ReadText(SectionName(k), KeyName(k), "<missing>");
            int gen = -1;
            ASSERT_TRUE(WellFormed(v, k, gen)) << "round " << round << " key " << k << " holds '" << v << "'";
            ASSERT_TRUE(gen == prev[k] || gen >= firstGen) << "round " << round << " key " << k << " went back";
            gens[k] = gen;
            maxGen = std::max(maxGen, gen);
        }
        // Writes go key by key in order: the keys of one round hold at most two adjacent generations,
        // the newer one on the earlier keys.
        bool mixed = false;
        for (int k = 1; k < kKeys; ++k) {
            if (gens[k] < firstGen)
                continue;
            EXPECT_GE(gens[k - 1], gens[k]) << "round " << round << " key " << k;
            EXPECT_LE(gens[k - 1] - gens[k], 1) << "round " << round << " key " << k;
            mixed = mixed || gens[k - 1] != gens[k];
        }
        if (mixed || (maxGen >= firstGen && gens[kKeys - 1] < firstGen))
            ++killedMidWrite;
        std::copy(gens, gens + kKeys, prev);
        lastGen = std::max(lastGen, maxGen);
    }
    // The kill must have landed inside a burst, not only between them.
    EXPECT_GT(killedMidWrite, 0);
    RecordProperty("rounds_killed_between_generations", killedMidWrite);

    // A killed writer may leave its temporary file beside Config.ini; it is never taken for the file,
    // and the next write clears what dead writers left, but not what a live one is writing.
    const auto leftovers = [&] {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir_))
            n += e.path().filename() != "Config.ini";
        return n;
    };
    RecordProperty("temporary_files_left", leftovers());
    std::cout << "temporary files left by killed writers: " << leftovers() << "\n";
    const std::string live = (dir_ / (".Config.ini." + std::to_string(getppid()) + ".0.tmp")).string();
    const std::string lookalike = (dir_ / ".Config.ini.x1.0.tmp").string();
    const std::string dead = (dir_ / (".Config.ini." + std::to_string(lastChild) + ".7.tmp")).string();
    std::ofstream(dead) << "half";
    std::ofstream(live) << "half";
    std::ofstream(lookalike) << "other";
    // The next write still works and keeps everything else.
    acc.WriteText("Security", "Passwd", "abc");
    EXPECT_EQ(acc.ReadText("security", "passwd", ""), "abc");
    EXPECT_EQ(ReadAll(path_).compare(0, header.size(), header), 0);
    EXPECT_EQ(leftovers(), 2);
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(lookalike));
}

} // namespace
