#pragma once
// The main window: navigation panel, the page control RPCHelp, the four timers, the tray icon and its
// password gates, and the notice operation every page uses.
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "monitor/Schedule.h"
#include "settings/SettingsAccessor.h"
#include "toolkit/PageHost.h"
#include "toolkit/TTimer.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QStackedWidget;
class QSystemTrayIcon;
class TFrmInfo;
class TFrmLogin;

namespace vh::skin {
class HoverLabel;
}
namespace vh::app {
class TDonationPage;
}

// What start-up and the window call in other subsystems; the entry wires them before FormCreate. An
// empty hook is skipped.
struct TForm1Hooks {
    std::function<void()> ResetTips;                           // step 1: TipIndex 0, TipList empty
    std::function<void()> LoadSchedule;                        // step 2
    std::function<TStartupTask()> StartupTask;                 // step 6: whether to ask, start or leave
    std::function<void()> DeclineStartupTask;                  // step 6: the question was answered "no"
    std::function<void(const std::string&)> SetApplicationDir; // step 10 (folder with trailing separator)
    std::function<void()> LoadTips;                            // step 12
    std::function<void()> UpdateCheck;                         // the "更新" label and buttons
    std::function<void()> DealWithUnwork;                      // the sampler's event 1034
};

class TForm1 : public QWidget, public vh::PageHost {
    Q_OBJECT
public:
    // The sampler's hand-over event (WM_USER + 10).
    static constexpr int kUnworkEvent = 1034;
    // The ten pages of RPCHelp, in their order.
    static const char* const kPageNames[10];

    TForm1();
    ~TForm1() override;

    // The start-up steps; the entry calls it once after wiring the hooks. An error in a step is shown
    // and the remaining steps are skipped.
    void FormCreate();
    // Shows the window unless start-up already sent it to the tray.
    void ShowAtStart();
    // Once after start-up: on a desktop that hides other programs' windows, one notice says what to do, and
    // where the fix only needs the user's consent (switching our GNOME extension on) it is offered.
    void NoticeWindowSight();

    // PageHost
    using vh::PageHost::ShowNotice;
    bool ShowNotice(const QString& caption, const QString& text) override;
    void ShowPage(const QString& pageName) override;
    void OpenPage(const QString& pageName) override;
    vh::TTimer& Timer(const QString& name) override;
    QWidget* MainWidget() override { return this; }

    // Puts a subsystem's page in place of the page of the same object name; prepare (may be empty) runs
    // on every OpenPage of it. False when the name is not one of the ten pages.
    bool RegisterPage(QWidget* page, std::function<void()> prepare = {});
    QWidget* Page(const QString& pageName) const;
    QString CurrentPageName() const;

    // The tip line (Label9), GBK.
    void SetTipText(const std::string& gbk);

    // Put away: hidden in the tray (no taskbar button), or, on a desktop without a tray, iconified with its
    // taskbar button and its pages covered until a gate passes.
    bool InTray() const { return inTray_; }
    void MinimizeToTray();
    void RestoreFromTray();
    // The stand-in for the tray menu while the window is put away without a tray.
    QWidget* AwayPanel() const { return pnlAway; }
    // Ends the program (also before the main loop has started).
    void Terminate();

    TFrmLogin* Login() const { return FrmLogin.get(); }
    TFrmInfo* Info() const { return FrmInfo.get(); }
    QSystemTrayIcon* TrayIcon() const { return trayIcon; }
    QMenu* TrayMenu() const { return pmTray; }

    TForm1Hooks hooks;
    TSettingsAccessor rzIniInfo;

    vh::TTimer* tmrTimeRange;
    vh::TTimer* tmrSave;
    vh::TTimer* tmrUpdate;
    vh::TTimer* tmrTips;

public slots:
    void N2Click(); // "显示主界面": restore gate
    void s1Click(); // "监视设定": monitor-settings gate
    void N1Click(); // "退出系统": exit gate
    void Label1Click();
    void DealWithUnwork();

protected:
    bool event(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildNavigation();
    void BuildTray();
    void BuildStaticPages();
    void BuildAwayPanel();
    // Iconifies the window, or stows it where iconifying does nothing (sway).
    void PutAwayWithoutTray();
    void StowWhenManaged(int triesLeft);
    void OnTrayActivated(int reason);
    void EnsureLogin();
    void EnsureInfo();
    // Shows the login dialog in gate mode; true when the password was accepted.
    bool PassGate(bool bringToFront);
    // The tray commands' guard: never a second prompt over an open one, and the password when the
    // flag asks for it.
    enum class TrayGateResult { LoginOpen, Refused, Passed };
    TrayGateResult TrayGate(const vh::settings::keys::FlagKey& passwordFlag, bool bringToFront);
    int PageIndex(const QString& name) const;

    std::unique_ptr<TFrmLogin> FrmLogin;
    std::unique_ptr<TFrmInfo> FrmInfo;
    std::map<QString, std::function<void()>> prepare_;
    std::map<QString, vh::TTimer*> timers_;
    bool inTray_ = false;
    bool minimizePending_ = false;
    bool iconifyOnExpose_ = false;

    QStackedWidget* RPCHelp;
    QWidget* pnlNav;
    QLabel* Label9;
    vh::skin::HoverLabel* lbl1;
    vh::skin::HoverLabel* Label1;
    vh::skin::HoverLabel* lblMore;
    vh::app::TDonationPage* donation_;
    QWidget* pnlAway;
    QSystemTrayIcon* trayIcon;
    QMenu* pmTray;
    QAction* N2;
    QAction* s1;
    QAction* N1;
};
