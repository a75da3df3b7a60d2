#pragma once
// The main window's start-up steps (FormCreate) as plain logic: which step runs when, and what the
// settings and the user's answers decide. What a step shows or starts, the window does (StartupScreen).
#include <string>

class TSettingsAccessor;
class TTips;
struct TMonitorSchedule;

namespace vh::app {

// What the steps ask of the main window. Texts are GBK.
class StartupScreen {
public:
    virtual ~StartupScreen() = default;
    // Step 4: the login dialog and the notice dialog.
    virtual void CreateDialogs() = 0;
    // Step 5: the login dialog at start-up, modal; false when the user chose to exit there.
    virtual bool AskStartPassword() = 0;
    // The modal notice; true for "确定".
    virtual bool Ask(const std::string& caption, const std::string& text) = 0;
    virtual void StartScheduleTimer() = 0;
    virtual void ShowMainPage() = 0;
    // Step 8: minimise once the message loop runs.
    virtual void MinimizeWhenRunning() = 0;
    virtual void EnableUpdateTimer(bool enabled) = 0;
    virtual void SetTipsInterval(int ms) = 0;
    // The application's error display (a message box with the text).
    virtual void ReportError(const std::string& text) = 0;
    virtual void Terminate() = 0;
    virtual bool Terminated() const = 0;
};

// What the steps read and fill.
struct StartupData {
    const TSettingsAccessor& settings;
    TMonitorSchedule& schedule;
    TTips& tips;
    std::string tipsFile;
};

// Runs steps 1 to 13. An error of a step is reported and the remaining steps are skipped; a settings file
// that refuses the version (step 9) is reported and start-up goes on.
void RunStartup(const StartupData& data, StartupScreen& screen);

} // namespace vh::app
