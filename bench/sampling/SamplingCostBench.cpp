// What one hour of sampling costs at an interval of one minute: 60 ticks through the X11 backend on a
// private Xvfb (displays :200 to :209) with a few client windows and about 200 processes in /proc, each
// tick storing its sample in a fresh ABC.GDB and appending to the real trace file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "monitor/Sampler.h"
#include "platform/AppLocations.h"
#include "platform/linux/WindowSystemX11.h"
#include "storage/uDBMoudle.h"
#include "support/TestDatabase.h"
#include "support/XvfbFixture.h"

namespace {

constexpr int kTicks = 60;
constexpr int kProcesses = 200;

int CountProcesses() {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator("/proc")) {
        const auto name = e.path().filename().string();
        n += !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
    }
    return n;
}

// rchar/wchar count every byte passed to read/write; write_bytes what reached the block layer.
long long IoCounter(const std::string& key) {
    std::ifstream in("/proc/self/io");
    std::string k;
    long long v = 0;
    while (in >> k >> v) {
        if (k == key + ":")
            return v;
    }
    return -1;
}

long long FileSize(const std::string& path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<long long>(n);
}

void BM_SamplingHour(benchmark::State& state) {
    vh::test::XvfbFixture x(false, 200, 209);
    std::vector<std::string> args;
    for (int i = 0; i < 5; ++i)
        args.insert(args.end(), {"--window", "--title", "bench window " + std::to_string(i)});
    auto client = vh::test::StartTestClient(x, args);
    std::vector<vh::test::XChild> fillers;
    while (CountProcesses() < kProcesses && fillers.size() < 400)
        fillers.push_back(x.Spawn({"sleep", "600"}));
    state.counters["processes"] = CountProcesses();

    vh::test::TestDatabase db; // the application folder points at its temporary folder
    if (!db.Module().Connected()) {
        state.SkipWithError("no database connection");
        return;
    }
    vh::platform::SetWindowSystem(vh::platform::CreateX11WindowSystem(x.Display()));
    // The real store and trace file, as the program wires them.
    bool failed = false;
    const std::string gdb = db.DatabasePath();
    const std::string trace = vh::platform::ThisProcessLocations().traceFile;
    SamplerSinks sinks;
    sinks.store = &StoreSample;
    sinks.showMessage = [&](const std::string&) { failed = true; };
    sinks.trace = [&trace](const std::string& m) { (void)WriteTraceLog(trace, m); };
    TSampler sampler([]() -> vh::platform::WindowSystem& { return vh::platform::TheWindowSystem(); }, sinks);
    sampler.TakeSample(); // the first tick opens the trace file and warms the engine's cache

    const long long gdb0 = FileSize(gdb), trace0 = FileSize(trace);
    const long long wchar0 = IoCounter("wchar"), written0 = IoCounter("write_bytes");
    for (auto _ : state)
        sampler.TakeSample();
    const double ticks = static_cast<double>(state.iterations());
    const double gdbGrowth = static_cast<double>(FileSize(gdb) - gdb0);
    const double traceGrowth = static_cast<double>(FileSize(trace) - trace0);
    const double wchar = static_cast<double>(IoCounter("wchar") - wchar0);
    const double written = static_cast<double>(IoCounter("write_bytes") - written0);
    if (failed)
        state.SkipWithError("a sample was not stored");
    state.counters["gdb_growth_per_tick"] = gdbGrowth / ticks;
    state.counters["trace_growth_per_tick"] = traceGrowth / ticks;
    state.counters["write_calls_bytes_per_tick"] = wchar / ticks;
    state.counters["disk_bytes_per_tick"] = written / ticks;
    state.counters["gdb_growth_per_hour"] = gdbGrowth / ticks * 60;
    state.counters["trace_growth_per_hour"] = traceGrowth / ticks * 60;
    state.counters["disk_bytes_per_hour"] = written / ticks * 60;
    vh::platform::SetWindowSystem(nullptr);
}
// Process CPU time: the engine's own threads count too.
BENCHMARK(BM_SamplingHour)->Iterations(kTicks)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
