// One sampling tick on a private Xvfb with 20 client windows: stub store, real trace file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "monitor/Sampler.h"
#include "platform/AppPaths.h"
#include "platform/linux/WindowSystemX11.h"
#include "support/XvfbFixture.h"

static void BM_TakeSample_X11(benchmark::State& state) {
    vh::test::XvfbFixture x(false);
    std::vector<std::string> args;
    for (int i = 0; i < 20; ++i) {
        args.insert(args.end(), {"--window", "--title", "bench window " + std::to_string(i)});
    }
    auto client = vh::test::StartTestClient(x, args);
    vh::platform::SetWindowSystem(vh::platform::CreateX11WindowSystem(x.Display()));
    const auto dir = std::filesystem::temp_directory_path() / "vh-bench-sampler";
    std::filesystem::create_directories(dir);
    vh::platform::OverrideExecutableDir(dir.string() + "/");

    using Clock = std::chrono::steady_clock;
    Clock::duration traceTime{};
    long entries = 0;
    SamplerSinks sinks;
    sinks.store = [](const std::string&, const TForegroundInfo&) { return TWriteResult::Done; };
    const std::string tracePath = (dir / "logd.txt").string();
    sinks.trace = [&](const std::string& m) {
        const auto t0 = Clock::now();
        (void)WriteTraceLog(tracePath, m);
        traceTime += Clock::now() - t0;
        ++entries;
    };
    TSampler sampler([]() -> vh::platform::WindowSystem& { return vh::platform::TheWindowSystem(); }, sinks);
    Clock::duration total{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        sampler.TakeSample();
        total += Clock::now() - t0;
    }
    state.counters["trace_share"] = total.count() ? double(traceTime.count()) / double(total.count()) : 0.0;
    state.counters["trace_entries_per_tick"] = double(entries) / double(state.iterations());
    vh::platform::SetWindowSystem(nullptr);
    vh::platform::OverrideExecutableDir("");
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_TakeSample_X11)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
