#pragma once
// The main window: navigation panel, the page control RPCHelp, the four timers, the tray icon and its
// password gates, and the notice operation every page uses. It decides nothing on its own: start-up runs
// the plain steps of app/Startup, the pages and timers are wired by the assembly.
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/Startup.h"
#include "settings/SettingsAccessor.h"
#include "toolkit/PageHost.h"
#include "toolkit/TTimer.h"

class QAction;
class QLabel;
class QMenu;
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

class TForm1 : public QWidget, public vh::PageHost, public vh::app::StartupScreen {
    Q_OBJECT
public:
    TForm1();
    ~TForm1() override;

    // FormCreate: the start-up steps; the entry runs it once, after the assembly has wired the pages.
    void FormCreate(const vh::app::StartupData& data);
    // Shows the window unless start-up already sent it to the tray.
    void ShowAtStart();
    // Once after start-up: on a desktop that hides other programs' windows, one notice says what to do, and
    // where the fix only needs the user's consent (switching our GNOME extension on) it is offered.
    void NoticeWindowSight();

    // The settings accessor (rzIniInfo) of Config.ini in the data folder.
    TSettingsAccessor& Settings() { return settings_; }
    // The "更新" label and buttons run this (the update check, wired by the assembly).
    void SetUpdateCheck(std::function<void()> check) { updateCheck_ = std::move(check); }

    // PageHost
    using vh::PageHost::ShowNotice;
    bool ShowNotice(const QString& caption, const QString& text) override;
    void ShowPage(vh::Page page) override;
    void OpenPage(vh::Page page) override;
    vh::TTimer& TimerOf(vh::Timer timer) override;
    QWidget* MainWidget() override { return this; }

    // Puts a subsystem's page in place of the page; prepare (may be empty) runs on every OpenPage of it.
    void RegisterPage(vh::Page page, QWidget* widget, std::function<void()> prepare = {});
    QWidget* PageWidget(vh::Page page) const;
    vh::Page CurrentPage() const;

    // The tip line (Label9), GBK.
    void SetTipText(const std::string& gbk);

    // Put away: hidden in the tray (no taskbar button), or, on a desktop without a tray, iconified with its
    // taskbar button and its pages covered until a gate passes.
    bool InTray() const { return inTray_; }
    void MinimizeToTray();
    void RestoreFromTray();
    // The stand-in for the tray menu while the window is put away without a tray.
    QWidget* AwayPanel() const { return awayPanel_; }

    TFrmLogin* Login() const { return loginDialog_.get(); }
    TFrmInfo* Info() const { return noticeDialog_.get(); }
    QSystemTrayIcon* TrayIcon() const { return trayIcon_; }
    QMenu* TrayMenu() const { return trayMenu_; }

    // StartupScreen
    void CreateDialogs() override;
    bool AskStartPassword() override;
    bool Ask(const std::string& caption, const std::string& text) override;
    void StartScheduleTimer() override;
    void ShowMainPage() override;
    void MinimizeWhenRunning() override;
    void EnableUpdateTimer(bool enabled) override;
    void SetTipsInterval(int ms) override;
    void ReportError(const std::string& text) override;
    // Ends the program (also before the main loop has started).
    void Terminate() override;
    bool Terminated() const override;

public slots:
    void N2Click(); // "显示主界面": restore gate
    void s1Click(); // "监视设定": monitor-settings gate
    void N1Click(); // "退出系统": exit gate
    void Label1Click();

protected:
    bool event(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildNavigation();
    void BuildSideButtons();
    void BuildTipStrip();
    void BuildTray();
    void BuildStaticPages();
    void BuildAwayPanel();
    // Iconifies the window, or stows it where iconifying does nothing (sway).
    void PutAwayWithoutTray();
    void StowWhenManaged(int triesLeft);
    void OnTrayActivated(int reason);
    // Shows the login dialog in gate mode; true when the password was accepted.
    bool PassGate(bool bringToFront);
    // The tray commands' guard: never a second prompt over an open one, and the password when the
    // flag asks for it.
    enum class TrayGateResult { LoginOpen, Refused, Passed };
    TrayGateResult TrayGate(const vh::settings::keys::FlagKey& passwordFlag, bool bringToFront);

    TSettingsAccessor settings_;
    std::function<void()> updateCheck_;
    std::unique_ptr<TFrmLogin> loginDialog_;
    std::unique_ptr<TFrmInfo> noticeDialog_;
    std::array<std::function<void()>, vh::kPageCount> prepare_;
    std::array<vh::TTimer*, 4> timers_{};
    bool inTray_ = false;
    bool minimizePending_ = false;
    bool iconifyOnExpose_ = false;

    QStackedWidget* pageStack_;
    QWidget* navPanel_;
    QLabel* tipLine_;
    vh::app::TDonationPage* donationPage_;
    QWidget* awayPanel_;
    QSystemTrayIcon* trayIcon_;
    QMenu* trayMenu_;
    QAction* restoreAction_;
    QAction* monitorSettingAction_;
    QAction* exitAction_;
};
