#include "monitor/UnworkHandler.h"

#include "monitor/ForegroundInfo.h"
#include "monitor/NonWork.h"
#include "monitor/uDealUnwork.h"
#include "platform/WindowSystem.h"
#include "settings/SettingsAccessor.h"
#include "storage/uDBFunc.h"

TUnworkHandler::TUnworkHandler(TSettingsAccessor& settings, TfrmDealUnwork& notice)
    : settings_(settings), notice_(notice) {}

void TUnworkHandler::DealWithUnwork(const TForegroundInfo& sample) {
    CheckNonWorkProgram(sample);
}

int TUnworkHandler::ReadReactionMode() {
    const int mode = vh::monitor::ReadReactionModeValue(settings_);
    if (modeListener_)
        modeListener_(mode);
    return mode;
}

void TUnworkHandler::ShowUnworkNotice(const std::string& title, const std::string& message, int layout,
                                      const std::string& processName, const std::string& programName, std::uint32_t pid,
                                      const vh::DateTime& sampledAt) {
    notice_.ShowUnworkNotice(title, message, layout, processName, programName, pid, sampledAt);
}

void TUnworkHandler::CheckNonWorkProgram(const TForegroundInfo& sample) {
    vh::monitor::NonWorkActions actions;
    actions.listWorkProcesses = [] {
        try {
            // A failed read lists nothing: every program is then treated as a non-work program.
            return TDBFunc::ListWorkProcesses().rows;
        } catch (...) {
            // Its roll-back failed as well (no connection): the same.
            return TStringList{};
        }
    };
    actions.readReminderText = [this] { return vh::monitor::ReadReminderText(settings_); };
    actions.readReactionMode = [this] { return ReadReactionMode(); };
    actions.showNotice = [this](const std::string& title, const std::string& message, int layout,
                                const std::string& processName, const std::string& programName, std::uint32_t pid,
                                const vh::DateTime& sampledAt) {
        ShowUnworkNotice(title, message, layout, processName, programName, pid, sampledAt);
    };
    actions.requestClose = [this](vh::platform::WindowId window) {
        if (window == 0)
            return;
        try {
            vh::platform::TheWindowSystem().RequestClose(window, closeTimeout_);
        } catch (...) {
            // A window that is gone or a display that cannot be reached: no effect, no message.
        }
    };
    vh::monitor::CheckNonWorkProgram(sample, actions);
}
