#pragma once
// The system-settings page (RTSTSSysSetting): start-up, security, tip and update switches.
#include <QWidget>
#include <functional>

#include "platform/WindowSystem.h"

#include "settings/SettingsAccessor.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QSpinBox;
class QLineEdit;
class QPushButton;

namespace vh {
class PageHost;
}

class TSystemSettingsPage : public QWidget {
    Q_OBJECT
public:
    TSystemSettingsPage(vh::PageHost& host, TSettingsAccessor& settings, QWidget* parent = nullptr);

    // Fills the page from the settings file; the navigation calls it just before showing the page. Away
    // detection is offered where the desktop tells the idle time, and otherwise shown disabled with why.
    void LoadSystemSettings();
    // Where the page learns whether the desktop tells the idle time (the window system unless replaced).
    void SetPresenceSupport(std::function<vh::platform::PresenceSupport()> support) {
        presenceSupport_ = std::move(support);
    }

    QCheckBox* suiCboxAutoRun;
    QCheckBox* suiCboxAutoMinimize;
    QCheckBox* suiCboxAutoTask;
    QCheckBox* suiCboxStartPasswd;
    QCheckBox* suiCboxRestorePasswd;
    QCheckBox* scb1;
    QLineEdit* suiNumberEdit1;
    QCheckBox* scb2;
    // Away detection: the switch, its minutes, and why it is disabled where it is.
    QCheckBox* cbxAway;
    QSpinBox* spnAwayMinutes;
    QLabel* lblAwayUnavailable;
    QPushButton* btn10;
    QPushButton* btn11;
    QPushButton* btn16;

public slots:
    // 应用: stores the page and puts it into effect.
    void btn11Click();
    // 清除: unchecks the start-up and the start and restore password switches; writes nothing.
    void btn10Click();
    // 密码设定: the password page, emptied.
    void btn16Click();

private:
    QGroupBox* BuildOtherGroup();
    void Apply();

    vh::PageHost& host_;
    TSettingsAccessor& settings_;
    std::function<vh::platform::PresenceSupport()> presenceSupport_;
};
