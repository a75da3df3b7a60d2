#pragma once
// The foreground sampler: at every tick of tmrSave it records which window is in front.
#include <functional>
#include <string>

#include "monitor/ForegroundInfo.h"
#include "platform/WindowSystem.h"

// What a tick calls outside the window system. An empty member is skipped.
struct SamplerHooks {
    // Stores one Sample (time text, caption, process name, description). Defaults to TDBFunc::InsertSample.
    std::function<void(const std::string&, const std::string&, const std::string&, const std::string&)> insertSample;
    // A plain message box (GBK text); shown with "write wrong" when storing fails.
    std::function<void(const std::string&)> showMessage;
    // Sends the hand-over event 1034 to the main window and returns after its handler.
    std::function<void()> handOver;
    // Appends one trace entry. Defaults to WriteTraceLog into the trace file of this process.
    std::function<void(const std::string&)> trace;

    SamplerHooks();
};

// The style test: a popup passes only with a minimise box and a window menu and when not disabled.
bool IsCandidateWindow(vh::platform::WindowId w);

// The trace file: "c:\logd.txt" on Windows; elsewhere logd.txt in the application folder, or in the user's
// state folder when the program is installed (vh::platform::ThisProcessLocations).
std::string TraceFilePath();
// Appends one entry (the long time of day, then the message) to the trace file at path. An entry that would
// take the file past 8 MiB first renames it to logd.old.txt beside it (replacing an older one). A file that
// cannot be written loses the entry and nothing else: the trace must never stop sampling. False when it
// was lost.
bool WriteTraceLog(const std::string& path, const std::string& message);
// The same into TraceFilePath().
bool WriteTraceLog(const std::string& message);

// One sample through vh::platform::TheWindowSystem(). Errors of the window system propagate.
void TakeSample(const SamplerHooks& hooks);

// The tmrSave handler: TakeSample under a guard that stops the timer silently on any error.
void RunSamplingTick(const SamplerHooks& hooks, const std::function<void()>& stopTimer);
