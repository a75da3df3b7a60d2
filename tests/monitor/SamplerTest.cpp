// The sampler's choice of window, its trace entries, the stored sample and its failure paths, over the
// scripted window system, the injected clock and a real trace file in a temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "monitor/Sampler.h"
#include "platform/AppLocations.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "support/FakeWindowSystem.h"
#include "support/TempFolder.h"
#include "support/TestClock.h"

namespace fs = std::filesystem;
using vh::platform::WindowStyle;

namespace {

struct StoredSample {
    std::string time, caption, processName, description;
};

WindowStyle Popup(bool minimizeBox, bool sysMenu, bool disabled = false) {
    WindowStyle s;
    s.popup = true;
    s.minimizeBox = minimizeBox;
    s.sysMenu = sysMenu;
    s.disabled = disabled;
    return s;
}

class SamplerTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_ = &vh::test::FakeWindowSystem::Install();

        sinks_.store = [this](const std::string& t, const TForegroundInfo& sample) {
            stored_.push_back({t, sample.Caption, sample.ExeName, ""});
            return TWriteResult::Done;
        };
        sinks_.showMessage = [this](const std::string& m) { messages_.push_back(m); };
        sinks_.dealWithUnwork = [this](const TForegroundInfo& sample) {
            ++handOvers_;
            // The handler runs inside the tick and is handed the new record.
            handOverSaw_ = sample.ExeName;
        };
        sinks_.trace = [this](const std::string& m) { trace_.push_back(m); };
    }
    void TearDown() override { vh::platform::SetWindowSystem(nullptr); }

    // The sampler over the sinks as they are now; Renew() after changing them.
    TSampler& Sampler() {
        if (!sampler_)
            Renew();
        return *sampler_;
    }
    void Renew() {
        sampler_ = std::make_unique<TSampler>(
            []() -> vh::platform::WindowSystem& { return vh::platform::TheWindowSystem(); }, sinks_);
    }
    void TakeSample() { Sampler().TakeSample(); }
    const TForegroundInfo& Last() { return Sampler().ForegroundInfo(); }
    // One tick; counts the timer stops its guard asks for.
    void Tick(int& stops) {
        if (!Sampler().Tick())
            ++stops;
    }
    std::string TracePath() const { return (dir_ / "logd.txt").string(); }
    TraceWriter FileTrace() const {
        return [path = TracePath()](const std::string& m) { (void)WriteTraceLog(path, m); };
    }
    std::string TraceFileText() { return vh::test::ReadAll((dir_ / "logd.txt").string()); }

    vh::test::AppFolder app_;
    vh::test::TestClock clock_{vh::test::At(2024, 3, 2, 9, 5, 3)};
    const fs::path dir_ = app_.Folder();
    vh::test::FakeWindowSystem* fake_ = nullptr;
    SamplerSinks sinks_;
    std::unique_ptr<TSampler> sampler_;
    std::vector<StoredSample> stored_;
    std::vector<std::string> messages_;
    std::vector<std::string> trace_;
    int handOvers_ = 0;
    std::string handOverSaw_;
};

TEST_F(SamplerTest, CandidateTestLetsPopupsPassOnlyWithMinimizeBoxAndMenu) {
    struct Case {
        WindowStyle style;
        bool candidate;
    };
    const Case cases[] = {
        {WindowStyle{}, true},
        {WindowStyle{false, false, false, true}, true}, // disabled matters only for popups
        {Popup(true, true), true},
        {Popup(false, true), false},
        {Popup(true, false), false},
        {Popup(false, false), false},
        {Popup(true, true, true), false},
    };
    vh::platform::WindowId id = 1;
    for (const auto& c : cases) {
        fake_->AddWindow(id, "w", 1).style = c.style;
        EXPECT_EQ(IsCandidateWindow(*fake_, id), c.candidate) << "window " << id;
        ++id;
    }
}

TEST_F(SamplerTest, TakesFirstUnownedVisibleCandidateInZOrder) {
    fake_->AddProcess(1, "init");
    fake_->AddProcess(40, "owned.exe");
    fake_->AddProcess(41, "hidden.exe");
    fake_->AddProcess(42, "splash.exe");
    fake_->AddProcess(43, "disabled.exe");
    fake_->AddProcess(44, "skinned.exe");
    fake_->AddProcess(45, "notepad.exe");
    fake_->AddWindow(10, "owned dialog", 40).owned = true;
    fake_->AddWindow(11, "hidden", 41).visible = false;
    fake_->AddWindow(12, "splash", 42).style = Popup(false, false);
    fake_->AddWindow(13, "disabled popup", 43).style = Popup(true, true, true);
    fake_->AddWindow(14, "skinned main window", 44).style = Popup(true, true);
    fake_->AddWindow(15, "notepad", 45);

    TakeSample();

    ASSERT_EQ(stored_.size(), 1u);
    EXPECT_EQ(stored_[0].caption, "skinned main window");
    EXPECT_EQ(stored_[0].processName, "skinned.exe");
    EXPECT_EQ(stored_[0].description, "");
    EXPECT_EQ(Last().WindowHandle, 14u);
    EXPECT_EQ(Last().ProcessId, 44u);
    EXPECT_EQ(Last().Caption, "skinned main window");
    EXPECT_EQ(Last().ExeName, "skinned.exe");
    EXPECT_EQ(handOvers_, 1);
    EXPECT_EQ(handOverSaw_, "skinned.exe");
    EXPECT_EQ(fake_->snapshotsTaken, 1) << "skipped windows take no snapshot";

    // Raising another window changes the sample.
    fake_->Raise(15);
    TakeSample();
    ASSERT_EQ(stored_.size(), 2u);
    EXPECT_EQ(stored_[1].processName, "notepad.exe");
    EXPECT_EQ(Last().WindowHandle, 15u);
}

TEST_F(SamplerTest, TraceHasOneEntryPerProcessVisitedThenTheCurrentCaption) {
    const std::string caption = vh::text::Utf8ToGbk("记事本 - a.txt");
    fake_->AddProcess(4, "System");
    fake_->AddProcess(8, "smss.exe");
    fake_->AddProcess(120, "notepad.exe");
    fake_->AddProcess(300, "later.exe");
    fake_->AddWindow(7, caption, 120);

    TakeSample();

    const std::vector<std::string> expected = {
        "4,proid:120name:" + caption,
        "8,proid:120name:" + caption,
        "120,proid:120name:" + caption,
        "current_caption:" + caption + " name:notepad.exe",
    };
    EXPECT_EQ(trace_, expected);

    // First in the snapshot: exactly one entry of the first form.
    trace_.clear();
    fake_->processes = {{120, "notepad.exe"}, {4, "System"}};
    TakeSample();
    EXPECT_EQ(trace_, (std::vector<std::string>{"120,proid:120name:" + caption,
                                                "current_caption:" + caption + " name:notepad.exe"}));
}

TEST_F(SamplerTest, WindowWhoseProcessIsNotInTheSnapshotIsPassedOver) {
    fake_->AddProcess(5, "a.exe");
    fake_->AddProcess(6, "b.exe");
    fake_->AddWindow(1, "ghost", 999);
    fake_->AddWindow(2, "real", 6);

    TakeSample();

    ASSERT_EQ(stored_.size(), 1u);
    EXPECT_EQ(stored_[0].caption, "real");
    EXPECT_EQ(fake_->snapshotsTaken, 2);
    const std::vector<std::string> expected = {
        "5,proid:999name:ghost", "6,proid:999name:ghost",           "5,proid:6name:real",
        "6,proid:6name:real",    "current_caption:real name:b.exe",
    };
    EXPECT_EQ(trace_, expected);
}

TEST_F(SamplerTest, NoQualifyingWindowStoresNothingAndDoesNotHandOver) {
    fake_->AddProcess(5, "a.exe");
    fake_->AddWindow(1, "tooltip", 5).style = Popup(false, false);
    fake_->AddWindow(2, "no process", 77);

    TakeSample();

    EXPECT_TRUE(stored_.empty());
    EXPECT_EQ(handOvers_, 0);
    EXPECT_EQ(Last().ExeName, "");

    // An empty snapshot (no process list available) passes every window over.
    fake_->windows.clear();
    fake_->AddWindow(3, "plain", 5);
    fake_->processes.clear();
    TakeSample();
    EXPECT_TRUE(stored_.empty());
    EXPECT_EQ(handOvers_, 0);
}

TEST_F(SamplerTest, EveryTickStoresARowAndHandsOver) {
    fake_->AddProcess(9, "game.exe");
    fake_->AddWindow(3, "game", 9);

    TakeSample();
    TakeSample();

    ASSERT_EQ(stored_.size(), 2u);
    EXPECT_EQ(stored_[0].caption, stored_[1].caption);
    EXPECT_EQ(handOvers_, 2);
}

// With away detection on, a tick while the user is away stores nothing, reacts to nothing and traces one
// line; the first tick after input samples again. Off, the presence is not even asked.
TEST_F(SamplerTest, AwayTicksTakeNoSample) {
    using namespace std::chrono_literals;
    fake_->AddProcess(9, "game.exe");
    fake_->AddWindow(3, "game", 9);
    std::chrono::milliseconds awayAfter = 0ms;
    sinks_.awayAfter = [&awayAfter] { return awayAfter; };
    fake_->presence = vh::platform::UserPresence{2h, false};
    TakeSample();
    EXPECT_EQ(stored_.size(), 1u);
    EXPECT_EQ(fake_->presenceReads, 0);

    awayAfter = 10min;
    fake_->presence = vh::platform::UserPresence{10min, false};
    trace_.clear();
    TakeSample();
    fake_->presence = vh::platform::UserPresence{1min, true};
    TakeSample();
    EXPECT_EQ(stored_.size(), 1u);
    EXPECT_EQ(handOvers_, 1);
    EXPECT_EQ(trace_, (std::vector<std::string>{"user_away:no input for 600 s", "user_away:the screen is locked"}));

    // Back at the keyboard, or a desktop that cannot tell at the moment: sampled as present.
    fake_->presence = vh::platform::UserPresence{9min, false};
    TakeSample();
    fake_->presence.reset();
    TakeSample();
    EXPECT_EQ(stored_.size(), 3u);
    EXPECT_EQ(handOvers_, 3);
}

TEST_F(SamplerTest, StoresTimeTextAndCaptionCutTo254Bytes) {
    std::string longCaption;
    for (int i = 0; i < 300; ++i)
        longCaption += static_cast<char>('a' + i % 26);
    fake_->AddProcess(9, "editor.exe");
    fake_->AddWindow(3, longCaption, 9);

    TakeSample();

    ASSERT_EQ(stored_.size(), 1u);
    EXPECT_EQ(stored_[0].time, "2024-03-02 09:05:03");
    EXPECT_EQ(stored_[0].caption, longCaption.substr(0, 254));
    EXPECT_EQ(Last().Caption, longCaption.substr(0, 254));
    // The notice's kill checks the process against the moment of this tick.
    EXPECT_EQ(vh::FormatSampleTime(Last().SampleTime), "2024-03-02 09:05:03");
    EXPECT_EQ(trace_.back(), "current_caption:" + longCaption.substr(0, 254) + " name:editor.exe");
}

TEST_F(SamplerTest, FailedStoreShowsWriteWrongOncePerTickAndStillHandsOver) {
    fake_->AddProcess(9, "game.exe");
    fake_->AddWindow(3, "game", 9);
    // A refusal whose roll-back worked, then one whose roll-back failed too (no connection).
    int store = 0;
    sinks_.store = [&store](const std::string&, const TForegroundInfo&) {
        if (++store == 1)
            return TWriteResult::Failed;
        throw std::runtime_error("connection shut down");
    };
    int stops = 0;

    Tick(stops);
    Tick(stops);

    EXPECT_EQ(messages_, (std::vector<std::string>{"write wrong", "write wrong"}));
    EXPECT_EQ(std::count(trace_.begin(), trace_.end(), "write wrong: the database refused the sample"), 1);
    EXPECT_EQ(std::count(trace_.begin(), trace_.end(), "write wrong: connection shut down"), 1);
    EXPECT_EQ(Last().ExeName, "game.exe");
    EXPECT_EQ(Last().WindowHandle, 3u);
    EXPECT_EQ(handOvers_, 2);
    EXPECT_EQ(stops, 0);

    // Ticks that come while the box is open (its loop runs the timers) trace and hand over, but show no
    // second box over it.
    sinks_.showMessage = [this](const std::string& m) {
        messages_.push_back(m);
        int inner = 0;
        Tick(inner);
        Tick(inner);
    };
    Renew();
    messages_.clear();
    Tick(stops);
    EXPECT_EQ(messages_, (std::vector<std::string>{"write wrong"}));
    EXPECT_EQ(handOvers_, 5);
}

TEST_F(SamplerTest, UnwritableTraceFileDoesNotStopSampling) {
#ifdef _WIN32
    GTEST_SKIP() << "the trace file lies at a fixed place on Windows";
#endif
    // A folder in place of the file: it cannot be opened for appending, whoever runs the test.
    fs::create_directory(dir_ / "logd.txt");
    EXPECT_FALSE(WriteTraceLog(TracePath(), "lost"));

    fake_->AddProcess(9, "game.exe");
    fake_->AddWindow(3, "game", 9);
    sinks_.trace = FileTrace();
    int stops = 0;

    Tick(stops);

    EXPECT_EQ(stops, 0);
    ASSERT_EQ(stored_.size(), 1u);
    EXPECT_EQ(stored_[0].processName, "game.exe");
    EXPECT_EQ(handOvers_, 1);

    // A trace writer that throws is swallowed the same way.
    sinks_.trace = [](const std::string&) { throw std::runtime_error("disk full"); };
    Renew();
    Tick(stops);
    EXPECT_EQ(stops, 0);
    EXPECT_EQ(stored_.size(), 2u);
    EXPECT_EQ(handOvers_, 2);
}

TEST_F(SamplerTest, TraceFileGetsTwoLinesPerEntryAndIsAppended) {
#ifdef _WIN32
    GTEST_SKIP() << "the trace file lies at a fixed place on Windows";
#endif
    std::ofstream(dir_ / "logd.txt", std::ios::binary) << "old\n";
    EXPECT_EQ(vh::platform::ThisProcessLocations().traceFile, dir_.string() + "/logd.txt");

    fake_->AddProcess(2, "a.exe");
    fake_->AddProcess(9, vh::text::Utf8ToGbk("游戏.exe"));
    fake_->AddWindow(3, vh::text::Utf8ToGbk("游戏"), 9);
    sinks_.trace = FileTrace();
    TakeSample();

    const std::string caption = vh::text::Utf8ToGbk("游戏");
    EXPECT_EQ(TraceFileText(), "old\n"
                               "9:05:03\n2,proid:9name:" +
                                   caption +
                                   "\n"
                                   "9:05:03\n9,proid:9name:" +
                                   caption +
                                   "\n"
                                   "9:05:03\ncurrent_caption:" +
                                   caption + " name:" + vh::text::Utf8ToGbk("游戏.exe") + "\n");
}

TEST_F(SamplerTest, FullTraceFileMovesToTheOldOneAndStartsAfresh) {
#ifdef _WIN32
    GTEST_SKIP() << "the trace file lies at a fixed place on Windows";
#endif
    const std::uintmax_t limit = 8u * 1024u * 1024u;
    const std::string entry = "9:05:03\nx\n";
    // Months of trace; an older moved-aside file is replaced.
    {
        std::ofstream(dir_ / "logd.txt", std::ios::binary) << "first";
        std::ofstream(dir_ / "logd.old.txt", std::ios::binary) << "older";
    }
    fs::resize_file(dir_ / "logd.txt", limit - entry.size());

    // Exactly up to the limit: appended.
    EXPECT_TRUE(WriteTraceLog(TracePath(), "x"));
    EXPECT_EQ(fs::file_size(dir_ / "logd.txt"), limit);
    EXPECT_EQ(fs::file_size(dir_ / "logd.old.txt"), 5u);

    // One byte past it: the full file becomes the old one, the entry starts a new file.
    EXPECT_TRUE(WriteTraceLog(TracePath(), "y"));
    EXPECT_EQ(TraceFileText(), "9:05:03\ny\n");
    ASSERT_EQ(fs::file_size(dir_ / "logd.old.txt"), limit);
    std::ifstream old(dir_ / "logd.old.txt", std::ios::binary);
    std::string head(5, '\0');
    old.read(head.data(), 5);
    EXPECT_EQ(head, "first");
    old.seekg(static_cast<std::streamoff>(limit - entry.size()));
    std::string tail(entry.size(), '\0');
    old.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    EXPECT_EQ(tail, entry);

    EXPECT_TRUE(WriteTraceLog(TracePath(), "z"));
    EXPECT_EQ(TraceFileText(), "9:05:03\ny\n9:05:03\nz\n");
    EXPECT_EQ(fs::file_size(dir_ / "logd.old.txt"), limit);
}

TEST_F(SamplerTest, ErrorDuringTickStopsTheTimerSilently) {
    fake_->AddProcess(9, "game.exe");
    fake_->AddWindow(3, "game", 9);
    int stops = 0;

    fake_->failEnum = true;
    Tick(stops);
    EXPECT_EQ(stops, 1);

    fake_->failEnum = false;
    fake_->failCaption = true;
    Tick(stops);
    EXPECT_EQ(stops, 2);
    EXPECT_TRUE(stored_.empty());
    EXPECT_EQ(handOvers_, 0);
    EXPECT_TRUE(messages_.empty());

    // An error in the hand-over's handler ends the tick the same way, after the row was stored.
    fake_->failCaption = false;
    sinks_.dealWithUnwork = [](const TForegroundInfo&) { throw std::runtime_error("handler failed"); };
    Renew();
    Tick(stops);
    EXPECT_EQ(stops, 3);
    EXPECT_EQ(stored_.size(), 1u);

#ifndef _WIN32
    // No window system at all (no display) is one more error of the tick.
    vh::platform::SetWindowSystem(nullptr);
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    setenv("DISPLAY", ":119.99", 1);
    Tick(stops);
    EXPECT_EQ(stops, 4);
    if (display)
        setenv("DISPLAY", saved.c_str(), 1);
    else
        unsetenv("DISPLAY");
#endif
}

} // namespace
