#pragma once
// The glue between the sampler's hand-over and the non-work reaction: reads the mode and the reminder
// text afresh, asks the database for the work programs, and raises the notice or closes the window.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Clock.h"

class TSettingsAccessor;
class TfrmDealUnwork;
struct TForegroundInfo;

class TUnworkHandler {
public:
    // settings: the main window's accessor; notice: the one non-work notice.
    TUnworkHandler(TSettingsAccessor& settings, TfrmDealUnwork& notice);

    // Told the mode value at every read, so the work-program page can check its radio button
    // (the assembly wires it to TWorkProgramPage::CheckReactionRadio).
    void SetModeListener(std::function<void(int)> listener) { modeListener_ = std::move(listener); }
    // How long a close request waits for the target window before giving up.
    void SetCloseTimeout(std::chrono::milliseconds timeout) { closeTimeout_ = timeout; }
    std::chrono::milliseconds CloseTimeout() const { return closeTimeout_; }

    // The sampler's hand-over: runs CheckNonWorkProgram on the sample it just took.
    void DealWithUnwork(const TForegroundInfo& sample);
    // Compares the sample with a fresh list of work processes and reacts by the stored mode.
    void CheckNonWorkProgram(const TForegroundInfo& sample);
    // system/unwork (default 0); tells the listener.
    int ReadReactionMode();
    // Fills the notice and shows it without waiting.
    void ShowUnworkNotice(const std::string& title, const std::string& message, int layout,
                          const std::string& processName, const std::string& programName, std::uint32_t pid,
                          const vh::DateTime& sampledAt);

private:
    TSettingsAccessor& settings_;
    TfrmDealUnwork& notice_;
    std::function<void(int)> modeListener_;
    std::chrono::milliseconds closeTimeout_{2000};
};
