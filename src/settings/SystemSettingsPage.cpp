#include "settings/SystemSettingsPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <stdexcept>

#include "platform/AppPaths.h"
#include "platform/Autorun.h"
#include "platform/Text.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/PageHost.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"
#include "toolkit/TTimer.h"
#include "update/Tips.h"

namespace {

namespace keys = vh::settings::keys;

QCheckBox* Box(QWidget* parent, const char* name, const char* caption) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(vh::skin::kButtonWidth, vh::skin::kButtonHeight);
    return button;
}

} // namespace

TSystemSettingsPage::TSystemSettingsPage(vh::PageHost& host, TSettingsAccessor& settings, QWidget* parent)
    : QWidget(parent), host_(host), settings_(settings) {
    setObjectName(QStringLiteral("RTSTSSysSetting"));

    QLabel* heading = vh::skin::PageHeading(this, QStringLiteral("系统设定"));
    heading->setObjectName(QStringLiteral("lblSysSettingCaption"));

    auto* startGroup = new QGroupBox(QStringLiteral("启动设定"), this);
    suiCboxAutoRun = Box(startGroup, "suiCboxAutoRun", "系统启动时自动运行");
    suiCboxAutoMinimize = Box(startGroup, "suiCboxAutoMinimize", "软件登录后自动最小化");
    suiCboxAutoTask = Box(startGroup, "suiCboxAutoTask", "若已经设定进行时间分析，则软件启动后自动运行，不进行提示");
    auto* startLayout = new QVBoxLayout(startGroup);
    startLayout->addWidget(suiCboxAutoRun);
    startLayout->addWidget(suiCboxAutoMinimize);
    startLayout->addWidget(suiCboxAutoTask);

    auto* securityGroup = new QGroupBox(QStringLiteral("安全设定"), this);
    suiCboxStartPasswd = Box(securityGroup, "suiCboxStartPasswd", "软件启动时输入密码");
    suiCboxRestorePasswd = Box(securityGroup, "suiCboxRestorePasswd", "软件界面从最小化恢复时输入密码");
    scb1 = Box(securityGroup, "scb1", "软件输入密码才能退出");
    auto* securityLayout = new QVBoxLayout(securityGroup);
    securityLayout->addWidget(suiCboxStartPasswd);
    securityLayout->addWidget(suiCboxRestorePasswd);
    securityLayout->addWidget(scb1);

    auto* otherGroup = new QGroupBox(QStringLiteral("其它设定"), this);
    suiNumberEdit1 = new QLineEdit(otherGroup);
    suiNumberEdit1->setObjectName(QStringLiteral("suiNumberEdit1"));
    suiNumberEdit1->setMaximumWidth(80);
    scb2 = Box(otherGroup, "scb2", "启用系统自动更新");
    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(new QLabel(QStringLiteral("成功贴士显示时间间隔"), otherGroup));
    intervalRow->addWidget(suiNumberEdit1);
    intervalRow->addWidget(new QLabel(QStringLiteral("秒"), otherGroup));
    intervalRow->addStretch();
    auto* otherLayout = new QVBoxLayout(otherGroup);
    otherLayout->addLayout(intervalRow);
    otherLayout->addWidget(scb2);

    btn10 = Button(this, "btn10", "清除");
    btn11 = Button(this, "btn11", "应用");
    btn16 = Button(this, "btn16", "密码设定");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btn16);
    buttons->addWidget(btn10);
    buttons->addWidget(btn11);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(vh::skin::kMargin, vh::skin::kContentTop, vh::skin::kMargin, 12);
    layout->setSpacing(vh::skin::kRowGap);
    layout->addWidget(startGroup);
    layout->addWidget(securityGroup);
    layout->addWidget(otherGroup);
    layout->addLayout(buttons);
    layout->addStretch();

    connect(btn10, &QPushButton::clicked, this, &TSystemSettingsPage::btn10Click);
    vh::skin::MakePrimary(btn11);
    connect(btn11, &QPushButton::clicked, this, &TSystemSettingsPage::btn11Click);
    connect(btn16, &QPushButton::clicked, this, &TSystemSettingsPage::btn16Click);
}

void TSystemSettingsPage::LoadSystemSettings() {
    suiCboxAutoMinimize->setChecked(settings_.ReadFlag(keys::AutoMinimize));
    suiCboxAutoTask->setChecked(settings_.ReadFlag(keys::AutoTask));
    suiCboxAutoRun->setChecked(settings_.ReadFlag(keys::AutoRun));
    suiCboxStartPasswd->setChecked(settings_.ReadFlag(keys::StartPasswd));
    suiCboxRestorePasswd->setChecked(settings_.ReadFlag(keys::RestorePasswd));
    scb1->setChecked(settings_.ReadFlag(keys::ExitPasswd));
    scb2->setChecked(settings_.ReadFlag(keys::AutoUpdate));
    suiNumberEdit1->setText(QString::number(settings_.ReadNumber(keys::TipInterval)));
}

void TSystemSettingsPage::SetAutoRun(bool on) {
    settings_.WriteFlag(keys::AutoRun, on);
    try {
        vh::platform::RemoveAutorunEntry();
        if (on)
            vh::platform::WriteAutorunEntry(vh::platform::ExecutablePath());
    } catch (const std::exception&) {
        host_.ShowNotice(QStringLiteral("错误"), QStringLiteral("注册表写入错误"));
    }
}

void TSystemSettingsPage::btn11Click() {
    // An error ends the handler where it arose and is shown as the application shows any error.
    vh::RunGuarded([this] { Apply(); });
}

void TSystemSettingsPage::Apply() {
    SetAutoRun(suiCboxAutoRun->isChecked());

    settings_.WriteFlag(keys::AutoMinimize, suiCboxAutoMinimize->isChecked());
    settings_.WriteFlag(keys::AutoTask, suiCboxAutoTask->isChecked());
    settings_.WriteFlag(keys::StartPasswd, suiCboxStartPasswd->isChecked());
    settings_.WriteFlag(keys::RestorePasswd, suiCboxRestorePasswd->isChecked());
    settings_.WriteFlag(keys::ExitPasswd, scb1->isChecked());
    settings_.WriteFlag(keys::AutoUpdate, scb2->isChecked());

    host_.Timer(QStringLiteral("tmrUpdate")).SetEnabled(scb2->isChecked());

    const std::string text = vh::text::Trim(vh::ToGbk(suiNumberEdit1->text()));
    int seconds = 0;
    if (!vh::text::ParseInt32(text, seconds)) {
        throw std::runtime_error("'" + text + "' is not a valid integer value");
    }
    settings_.WriteNumber(keys::TipInterval, seconds);

    // A new interval keeps the rotation where it is: only the timer restarts.
    vh::TTimer& tips = host_.Timer(QStringLiteral("tmrTips"));
    tips.Stop();
    tips.SetInterval(TipIntervalMs(seconds));
    tips.Start();

    host_.ShowNotice(QStringLiteral("信息"), QStringLiteral("所做设定已生效."));
}

void TSystemSettingsPage::btn10Click() {
    suiCboxAutoRun->setChecked(false);
    suiCboxRestorePasswd->setChecked(false);
    suiCboxStartPasswd->setChecked(false);
    suiCboxAutoMinimize->setChecked(false);
    suiCboxAutoTask->setChecked(false);
}

void TSystemSettingsPage::btn16Click() {
    host_.OpenPage(QStringLiteral("RTSTabSheet3"));
}
