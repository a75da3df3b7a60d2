#include "monitor/Sampler.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>

#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Text.h"

namespace {
// GetWindowTextA into a 255-byte buffer: 254 bytes and the terminating null.
constexpr std::size_t kCaptionBytes = 254;
// The stored column's width; the platforms' names stay below it, a longer one is cut, not refused.
constexpr std::size_t kExeNameBytes = 260;

// A trace entry that would take the file past this moves it aside to logd.old.txt (replacing an older
// one) and starts a new file: two lines per examined process per tick would otherwise fill the disk.
constexpr std::uintmax_t kTraceFileLimit = 8u * 1024u * 1024u;

const char* const kWriteWrong = "write wrong";
} // namespace

bool IsCandidateWindow(vh::platform::WindowSystem& ws, vh::platform::WindowId w) {
    const vh::platform::WindowStyle s = ws.GetStyle(w);
    if (!s.popup)
        return true;
    return s.minimizeBox && s.sysMenu && !s.disabled;
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

std::optional<TForegroundInfo> FindForegroundWindow(vh::platform::WindowSystem& ws, const vh::DateTime& now,
                                                    const TraceWriter& trace) {
    std::optional<TForegroundInfo> found;
    ws.EnumTopWindows([&](vh::platform::WindowId w) {
        if (w == 0)
            return false;
        if (ws.HasOwner(w) || !ws.IsVisible(w) || !IsCandidateWindow(ws, w))
            return true;
        const std::string text = vh::text::CutBytes(ws.GetCaption(w, kCaptionBytes), kCaptionBytes);
        const std::uint32_t windowPid = ws.GetProcessId(w);
        const std::string tail = ",proid:" + std::to_string(windowPid) + "name:" + text;
        for (const auto& entry : ws.SnapshotProcesses()) {
            trace(std::to_string(entry.pid) + tail);
            if (entry.pid == windowPid) {
                found = TForegroundInfo{vh::text::CutBytesWhole(entry.exeName, kExeNameBytes), text, w, windowPid, now};
                return false;
            }
        }
        return true;
    });
    return found;
}

std::optional<std::string> AwayReason(const std::optional<vh::platform::UserPresence>& presence,
                                      std::chrono::milliseconds awayAfter) {
    if (!presence || awayAfter <= std::chrono::milliseconds::zero())
        return std::nullopt;
    if (presence->locked)
        return std::string("the screen is locked");
    if (presence->idle >= awayAfter)
        return "no input for " +
               std::to_string(std::chrono::duration_cast<std::chrono::seconds>(presence->idle).count()) + " s";
    return std::nullopt;
}

TWriteResult StoreSample(const std::string& timeText, const TForegroundInfo& sample) {
    return TDBFunc::InsertSample(timeText, sample.Caption, sample.ExeName, "");
}

TSampler::TSampler(std::function<vh::platform::WindowSystem&()> windowSystem, SamplerSinks sinks)
    : windowSystem_(std::move(windowSystem)), sinks_(std::move(sinks)) {}

void TSampler::Trace(const std::string& message) const {
    if (!sinks_.trace)
        return;
    try {
        sinks_.trace(message);
    } catch (...) {
        // The trace is a diagnostic only; losing an entry must not lose the sample.
    }
}

void TSampler::TakeSample() {
    const TraceWriter trace = [this](const std::string& m) { Trace(m); };
    vh::platform::WindowSystem& ws = windowSystem_();
    const std::chrono::milliseconds awayAfter = sinks_.awayAfter ? sinks_.awayAfter() : std::chrono::milliseconds{};
    if (awayAfter > std::chrono::milliseconds::zero()) {
        // Asked only when the user wants it: some desktops answer over D-Bus.
        if (const std::optional<std::string> away = AwayReason(ws.ReadPresence(), awayAfter)) {
            trace("user_away:" + *away);
            return;
        }
    }
    const vh::DateTime now = vh::Now();
    const std::optional<TForegroundInfo> sample = FindForegroundWindow(ws, now, trace);
    if (!sample)
        return;
    foregroundInfo_ = *sample;
    trace("current_caption:" + sample->Caption + " name:" + sample->ExeName);

    if (sinks_.store) {
        try {
            const TWriteResult stored = sinks_.store(vh::FormatSampleTime(now), *sample);
            if (stored != TWriteResult::Done)
                ReportStoreFailure("the database refused the sample");
        } catch (const std::exception& e) {
            ReportStoreFailure(e.what());
        } catch (...) {
            ReportStoreFailure("unknown error");
        }
    }
    if (sinks_.dealWithUnwork)
        sinks_.dealWithUnwork(*sample);
}

void TSampler::ReportStoreFailure(const std::string& why) {
    Trace(std::string(kWriteWrong) + ": " + why);
    // Ticks go on inside the open box's loop while the database is away: they still store and hand over,
    // but add no box of their own.
    if (!sinks_.showMessage || messageOpen_)
        return;
    messageOpen_ = true;
    try {
        sinks_.showMessage(kWriteWrong);
    } catch (...) {
        messageOpen_ = false;
        throw;
    }
    messageOpen_ = false;
}

bool TSampler::Tick() {
    try {
        TakeSample();
        return true;
    } catch (...) {
        return false;
    }
}
