#pragma once
// One tick of the real sampler through the window system in place, with the database and the hand-over left
// out: what it would store and trace, and the sample.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "monitor/Sampler.h"
#include "platform/Text.h"
#include "support/SamplingRecorder.h"

namespace vh::test {

struct Sampled {
    bool taken = false;
    std::string caption, exeName;
    std::vector<std::string> trace;
    TForegroundInfo sample;
};

inline Sampled Sample() {
    SamplingRecorder recorder;
    Sampled s;
    s.taken = recorder.Take();
    if (s.taken) {
        s.caption = recorder.rows.back().caption;
        s.exeName = recorder.rows.back().processName;
    }
    s.trace = recorder.trace;
    s.sample = recorder.Last();
    return s;
}

// The sample is the window of process pid with this caption (UTF-8) and process name, and the trace kept its
// form: the /proc walk up to the window's process, then the sample.
inline void ExpectSampleOf(const Sampled& s, int pid, const std::string& caption, const std::string& exeName) {
    ASSERT_TRUE(s.taken);
    EXPECT_EQ(s.caption, text::Utf8ToGbk(caption));
    EXPECT_EQ(s.exeName, exeName);
    EXPECT_EQ(s.sample.ProcessId, static_cast<std::uint32_t>(pid));
    const std::string walked = ",proid:" + std::to_string(pid) + "name:" + s.caption;
    ASSERT_GE(s.trace.size(), 2u);
    for (std::size_t i = 0; i + 2 < s.trace.size(); ++i)
        EXPECT_NE(s.trace[i].find(walked), std::string::npos) << s.trace[i];
    EXPECT_EQ(s.trace[s.trace.size() - 2], std::to_string(pid) + walked);
    EXPECT_EQ(s.trace.back(), "current_caption:" + s.caption + " name:" + exeName);
}

// The backend's idle time, read anew at each call, on a desktop where nothing tells of a lock (no system
// bus): the reading must come, unlocked; -1 ms when it does not.
inline std::function<std::chrono::milliseconds()> IdleWithoutLockSource() {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket", 1);
    auto& ws = platform::TheWindowSystem();
    EXPECT_EQ(ws.Presence().gap, platform::PresenceGap::None) << ws.Presence().reason;
    return [&ws] {
        const auto p = ws.ReadPresence();
        EXPECT_TRUE(p && !p->locked);
        return p ? p->idle : std::chrono::milliseconds(-1);
    };
}

// Cases on one desktop: each starts with the backend the program would choose from the session's environment
// and with no sample taken yet.
class DesktopSampling : public ::testing::Test {
protected:
    void SetUp() override { vh::platform::SetWindowSystem(vh::platform::CreateWindowSystem()); }
    void TearDown() override { vh::platform::SetWindowSystem(nullptr); }
};

} // namespace vh::test
