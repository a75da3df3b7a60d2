#pragma once
// What a page of the main window may ask of the window that holds it. The main window implements it;
// page tests use a small fake. Pages and timers are named by enumerators, so a misspelt name does not
// compile; their object names (which tests and the accessibility tree see) come from one table.
#include <QString>
#include <string>

#include "toolkit/QtText.h"

class QWidget;

namespace vh {

class TTimer;

// The ten pages of RPCHelp, in their order.
enum class Page {
    About,          // RTSAbout
    Guide,          // RTSGuide
    MonitorSetting, // RTSTabMonitorCaption
    Main,           // RTSTSMain
    Statistic,      // RTSTSStatistic
    SystemSetting,  // RTSTSSysSetting
    Password,       // RTSTabSheet3
    Donation,       // RTSTabSheet4
    WorkSet,        // RTSWorkSet
    ProgramManage,  // RTSTabSheet6
};
inline constexpr int kPageCount = 10;
// The page's object name.
QString PageName(Page page);

// The main window's four timers.
enum class Timer { TimeRange, Save, Update, Tips };
// "tmrTimeRange", "tmrSave", "tmrUpdate", "tmrTips".
QString TimerName(Timer timer);

class PageHost {
public:
    virtual ~PageHost() = default;

    // The modal notice; true when the user pressed "确定". The host converts to GBK, where the notice's
    // byte rules apply.
    virtual bool ShowNotice(const QString& caption, const QString& text) = 0;
    // The same for texts the logic made (GBK).
    bool ShowNotice(const std::string& caption, const std::string& text) {
        return ShowNotice(FromGbk(caption), FromGbk(text));
    }
    // Makes the page the visible page, nothing else.
    virtual void ShowPage(Page page) = 0;
    // Runs the page's opening step (filling it from the settings or the database), then shows it.
    virtual void OpenPage(Page page) = 0;
    virtual TTimer& TimerOf(Timer timer) = 0;
    // The main window, as owner for what needs one.
    virtual QWidget* MainWidget() = 0;
};

} // namespace vh
