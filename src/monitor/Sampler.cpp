#include "monitor/Sampler.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/AppLocations.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "storage/uDBFunc.h"

TForegroundInfo ForegroundInfo;

namespace {
// GetWindowTextA into a 255-byte buffer: 254 bytes and the terminating null.
constexpr std::size_t kCaptionBytes = 254;
// The stored column's width; the platforms' names stay below it, a longer one is cut, not refused.
constexpr std::size_t kExeNameBytes = 260;

// A trace entry that would take the file past this moves it aside to logd.old.txt (replacing an older
// one) and starts a new file: two lines per examined process per tick would otherwise fill the disk.
constexpr std::uintmax_t kTraceFileLimit = 8u * 1024u * 1024u;
} // namespace

SamplerHooks::SamplerHooks()
    : insertSample(&TDBFunc::InsertSample),
      trace([path = TraceFilePath()](const std::string& m) { WriteTraceLog(path, m); }) {}

bool IsCandidateWindow(vh::platform::WindowId w) {
    const vh::platform::WindowStyle s = vh::platform::TheWindowSystem().GetStyle(w);
    if (!s.popup)
        return true;
    return s.minimizeBox && s.sysMenu && !s.disabled;
}

std::string TraceFilePath() {
    return vh::platform::ThisProcessLocations().traceFile;
}

bool WriteTraceLog(const std::string& message) {
    return WriteTraceLog(TraceFilePath(), message);
}

bool WriteTraceLog(const std::string& path, const std::string& message) {
    std::string entry = vh::FormatLongTime(vh::Now());
    entry += vh::platform::LineEnd();
    entry += message;
    entry += vh::platform::LineEnd();
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > 0 && size + entry.size() > kTraceFileLimit) {
        const std::string old = path.substr(0, path.size() - std::strlen(".txt")) + ".old.txt";
        // Removed first: a rename onto an existing file fails on Windows.
        std::remove(old.c_str());
        std::rename(path.c_str(), old.c_str());
    }
    // Opened and closed per entry, so the file is complete whenever the program stops.
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f)
        return false;
    const bool written = std::fwrite(entry.data(), 1, entry.size(), f) == entry.size();
    return (std::fclose(f) == 0) && written;
}

void TakeSample(const SamplerHooks& hooks) {
    auto& ws = vh::platform::TheWindowSystem();
    const auto trace = [&](const std::string& m) {
        if (!hooks.trace)
            return;
        try {
            hooks.trace(m);
        } catch (...) {
            // The trace is a diagnostic only; losing an entry must not lose the sample.
        }
    };

    bool found = false;
    vh::platform::WindowId window = 0;
    std::string caption, exeName;
    std::uint32_t pid = 0;
    ws.EnumTopWindows([&](vh::platform::WindowId w) {
        if (w == 0)
            return false;
        if (ws.HasOwner(w) || !ws.IsVisible(w) || !IsCandidateWindow(w))
            return true;
        const std::string text = vh::text::CutBytes(ws.GetCaption(w, kCaptionBytes), kCaptionBytes);
        const std::uint32_t windowPid = ws.GetProcessId(w);
        const std::string tail = ",proid:" + std::to_string(windowPid) + "name:" + text;
        for (const auto& entry : ws.SnapshotProcesses()) {
            trace(std::to_string(entry.pid) + tail);
            if (entry.pid == windowPid) {
                found = true;
                window = w;
                caption = text;
                exeName = vh::text::CutBytesWhole(entry.exeName, kExeNameBytes);
                pid = windowPid;
                return false;
            }
        }
        return true;
    });
    if (!found)
        return;

    const vh::DateTime now = vh::Now();
    const std::string timeText = vh::FormatSampleTime(now);
    ForegroundInfo.ExeName = exeName;
    ForegroundInfo.Caption = caption;
    ForegroundInfo.WindowHandle = window;
    ForegroundInfo.ProcessId = pid;
    ForegroundInfo.SampleTime = now;
    trace("current_caption:" + caption + " name:" + exeName);

    if (hooks.insertSample) {
        try {
            hooks.insertSample(timeText, caption, exeName, "");
        } catch (...) {
            if (hooks.showMessage)
                hooks.showMessage("write wrong");
        }
    }
    if (hooks.handOver)
        hooks.handOver();
}

void RunSamplingTick(const SamplerHooks& hooks, const std::function<void()>& stopTimer) {
    try {
        TakeSample(hooks);
    } catch (...) {
        // The schedule's check starts the timer again one interval later; nothing is reported.
        if (stopTimer)
            stopTimer();
    }
}
