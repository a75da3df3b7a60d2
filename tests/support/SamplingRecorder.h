#pragma once
// The real sampler through the window system in place, with the database and the non-work handling left
// out: what it would store, hand over and trace, and the last sample.
#include <string>
#include <vector>

#include "monitor/Sampler.h"
#include "platform/WindowSystem.h"

namespace vh::test {

class SamplingRecorder {
public:
    struct Row {
        std::string caption, processName;
    };

    SamplingRecorder() : sampler_([]() -> platform::WindowSystem& { return platform::TheWindowSystem(); }, Sinks()) {}

    // One sample; true when one was stored.
    bool Take() {
        const auto before = rows.size();
        sampler_.TakeSample();
        return rows.size() > before;
    }
    // One guarded tick; false when it failed (the program then stops the sampling timer).
    bool Tick() { return sampler_.Tick(); }
    const TForegroundInfo& Last() const { return sampler_.ForegroundInfo(); }

    std::vector<Row> rows;
    std::vector<std::string> trace;
    int handOvers = 0;

private:
    SamplerSinks Sinks() {
        SamplerSinks sinks;
        sinks.store = [this](const std::string&, const TForegroundInfo& s) {
            rows.push_back({s.Caption, s.ExeName});
            return TWriteResult::Done;
        };
        sinks.dealWithUnwork = [this](const TForegroundInfo&) { ++handOvers; };
        sinks.trace = [this](const std::string& m) { trace.push_back(m); };
        return sinks;
    }

    TSampler sampler_;
};

} // namespace vh::test
