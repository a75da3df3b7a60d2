#pragma once
// The foreground sampler: at every tick of tmrSave it finds the window in front, stores it as a Sample and
// hands it to the non-work handling, as an argument, within the tick.
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "monitor/ForegroundInfo.h"
#include "platform/WindowSystem.h"
#include "storage/uDBFunc.h"

using TraceWriter = std::function<void(const std::string&)>;

// The style test: a popup passes only with a minimise box and a window menu and when not disabled.
bool IsCandidateWindow(vh::platform::WindowSystem& ws, vh::platform::WindowId w);

// The first window in Z order that is unowned, visible and a candidate and whose process is in the
// snapshot, as the sample of the moment now; nothing when none qualifies. Writes the trace entry of every
// process examined. Errors of the window system propagate.
std::optional<TForegroundInfo> FindForegroundWindow(vh::platform::WindowSystem& ws, const vh::DateTime& now,
                                                    const TraceWriter& trace);

// Appends one entry (the long time of day, then the message) to the trace file at path. An entry that would
// take the file past 8 MiB first renames it to logd.old.txt beside it (replacing an older one). A file that
// cannot be written loses the entry and nothing else: the trace must never stop sampling. False when it
// was lost.
bool WriteTraceLog(const std::string& path, const std::string& message);

// Whether the user counts as away: no input for at least awayAfter (a positive span), or the screen locked.
// Without a reading (the desktop cannot tell now) the user is present. The reason for the trace when away.
std::optional<std::string> AwayReason(const std::optional<vh::platform::UserPresence>& presence,
                                      std::chrono::milliseconds awayAfter);

// Where a tick's sample goes. An empty member is skipped.
struct SamplerSinks {
    // Stores the sample under its time text; the database's outcome. Throws when even its roll-back fails.
    std::function<TWriteResult(const std::string& timeText, const TForegroundInfo& sample)> store;
    // A plain message box (GBK text), shown with "write wrong" when storing fails.
    std::function<void(const std::string&)> showMessage;
    // The non-work handling of the sample (DealWithUnwork); it runs to its end inside the tick.
    std::function<void(const TForegroundInfo&)> dealWithUnwork;
    // One trace entry.
    TraceWriter trace;
    // How long without input counts as away, read afresh at every tick; zero (or no function) is off.
    std::function<std::chrono::milliseconds()> awayAfter;
};

// Stores a sample through TDBFunc::InsertSample, with the empty description.
TWriteResult StoreSample(const std::string& timeText, const TForegroundInfo& sample);

class TSampler {
public:
    // windowSystem is asked at every tick: the program's is made on first use, once a display is there.
    TSampler(std::function<vh::platform::WindowSystem&()> windowSystem, SamplerSinks sinks);

    // The tmrSave handler: TakeSample under a guard; false when an error ended the tick, and the caller then
    // stops the timer silently (the schedule's check starts it again one interval later).
    bool Tick();
    // One sample: found, kept as ForegroundInfo, traced, stored, handed over. A failed store is traced and
    // shown as "write wrong" (one box at a time: ticks that come while it is open only trace), and the
    // sample is still handed over. With away detection on, a tick at which the user is away takes no
    // sample at all and traces one line instead. Errors of the window system and of the handler propagate.
    void TakeSample();

    // The last sample; empty until the first.
    const TForegroundInfo& ForegroundInfo() const { return foregroundInfo_; }

private:
    // One trace entry; a trace that fails loses the entry, never the sample.
    void Trace(const std::string& message) const;
    void ReportStoreFailure(const std::string& why);

    std::function<vh::platform::WindowSystem&()> windowSystem_;
    SamplerSinks sinks_;
    TForegroundInfo foregroundInfo_;
    bool messageOpen_ = false;
};
