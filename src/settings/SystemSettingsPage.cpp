#include "settings/SystemSettingsPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <exception>

#include "platform/Text.h"
#include "settings/SystemSettings.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/PageHost.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"

namespace {

namespace keys = vh::settings::keys;

QCheckBox* Box(QWidget* parent, const char* name, const char* caption) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

struct BoxSpec {
    QCheckBox** member;
    const char* name;
    const char* caption;
};

// A group of switches, one under the other.
QGroupBox* CheckGroup(QWidget* parent, const QString& caption, std::initializer_list<BoxSpec> boxes) {
    auto* group = new QGroupBox(caption, parent);
    auto* layout = new QVBoxLayout(group);
    for (const BoxSpec& b : boxes) {
        *b.member = Box(group, b.name, b.caption);
        layout->addWidget(*b.member);
    }
    return group;
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
    setObjectName(vh::PageName(vh::Page::SystemSetting));

    QLabel* heading = vh::skin::PageHeading(this, QStringLiteral("系统设定"));
    heading->setObjectName(QStringLiteral("lblSysSettingCaption"));

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
    layout->addWidget(CheckGroup(
        this, QStringLiteral("启动设定"),
        {{&suiCboxAutoRun, "suiCboxAutoRun", "系统启动时自动运行"},
         {&suiCboxAutoMinimize, "suiCboxAutoMinimize", "软件登录后自动最小化"},
         {&suiCboxAutoTask, "suiCboxAutoTask", "若已经设定进行时间分析，则软件启动后自动运行，不进行提示"}}));
    layout->addWidget(CheckGroup(this, QStringLiteral("安全设定"),
                                 {{&suiCboxStartPasswd, "suiCboxStartPasswd", "软件启动时输入密码"},
                                  {&suiCboxRestorePasswd, "suiCboxRestorePasswd", "软件界面从最小化恢复时输入密码"},
                                  {&scb1, "scb1", "软件输入密码才能退出"}}));
    layout->addWidget(BuildOtherGroup());
    layout->addLayout(buttons);
    layout->addStretch();

    connect(btn10, &QPushButton::clicked, this, &TSystemSettingsPage::btn10Click);
    vh::skin::MakePrimary(btn11);
    connect(btn11, &QPushButton::clicked, this, &TSystemSettingsPage::btn11Click);
    connect(btn16, &QPushButton::clicked, this, &TSystemSettingsPage::btn16Click);
}

QGroupBox* TSystemSettingsPage::BuildOtherGroup() {
    auto* group = new QGroupBox(QStringLiteral("其它设定"), this);
    suiNumberEdit1 = new QLineEdit(group);
    suiNumberEdit1->setObjectName(QStringLiteral("suiNumberEdit1"));
    suiNumberEdit1->setMaximumWidth(80);
    scb2 = Box(group, "scb2", "启用系统自动更新");
    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(new QLabel(QStringLiteral("成功贴士显示时间间隔"), group));
    intervalRow->addWidget(suiNumberEdit1);
    intervalRow->addWidget(new QLabel(QStringLiteral("秒"), group));
    intervalRow->addStretch();
    // Away: a switch with its minutes, and under it why the desktop does not allow it, where it does not.
    cbxAway = Box(group, "cbxAway", "离开电脑超过");
    spnAwayMinutes = new QSpinBox(group);
    spnAwayMinutes->setObjectName(QStringLiteral("spnAwayMinutes"));
    spnAwayMinutes->setRange(1, keys::AwayMinutes.max);
    spnAwayMinutes->setMaximumWidth(80);
    auto* awayRow = new QHBoxLayout;
    awayRow->addWidget(cbxAway);
    awayRow->addWidget(spnAwayMinutes);
    awayRow->addWidget(new QLabel(QStringLiteral("分钟（无键盘鼠标操作或屏幕锁定）时不作记录"), group));
    awayRow->addStretch();
    lblAwayUnavailable = new QLabel(group);
    lblAwayUnavailable->setObjectName(QStringLiteral("lblAwayUnavailable"));
    QPalette muted = lblAwayUnavailable->palette();
    muted.setColor(QPalette::WindowText, vh::skin::kMuted);
    lblAwayUnavailable->setPalette(muted);
    lblAwayUnavailable->hide();
    connect(cbxAway, &QCheckBox::toggled, spnAwayMinutes, &QWidget::setEnabled);

    auto* layout = new QVBoxLayout(group);
    layout->addLayout(intervalRow);
    layout->addWidget(scb2);
    layout->addLayout(awayRow);
    layout->addWidget(lblAwayUnavailable);
    return group;
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

    const int away = settings_.ReadNumber(keys::AwayMinutes);
    const bool awayOn = away > 0 && keys::AwayMinutes.InRange(away);
    spnAwayMinutes->setValue(awayOn ? away : 10);
    cbxAway->setChecked(awayOn);
    spnAwayMinutes->setEnabled(awayOn);
    vh::platform::PresenceSupport support;
    try {
        support = presenceSupport_ ? presenceSupport_() : vh::platform::TheWindowSystem().Presence();
    } catch (const std::exception& e) {
        support = {vh::platform::PresenceGap::Unsupported, e.what()}; // no display to ask
    }
    const bool available = support.gap == vh::platform::PresenceGap::None;
    // A stored value stays as it is where the desktop cannot tell; the switch only cannot be changed.
    cbxAway->setEnabled(available);
    lblAwayUnavailable->setVisible(!available);
    lblAwayUnavailable->setText(vh::FromGbk(AwayUnavailableText(support.gap)));
}

void TSystemSettingsPage::btn11Click() {
    // An error ends the handler where it arose and is shown as the application shows any error.
    vh::RunGuarded([this] { Apply(); });
}

void TSystemSettingsPage::Apply() {
    TSystemSettingsInput in;
    in.autoRun = suiCboxAutoRun->isChecked();
    in.autoMinimize = suiCboxAutoMinimize->isChecked();
    in.autoTask = suiCboxAutoTask->isChecked();
    in.startPasswd = suiCboxStartPasswd->isChecked();
    in.restorePasswd = suiCboxRestorePasswd->isChecked();
    in.exitPasswd = scb1->isChecked();
    in.autoUpdate = scb2->isChecked();
    in.tipIntervalText = vh::ToGbk(suiNumberEdit1->text());
    in.awayMinutes = cbxAway->isChecked() ? spnAwayMinutes->value() : 0;
    const TSystemSettingsOutcome outcome = ApplySystemSettings(settings_, in);
    if (outcome.autorunRefused)
        host_.ShowNotice(QStringLiteral("错误"), QStringLiteral("注册表写入错误"));
    if (outcome.invalidTipInterval) {
        vh::ShowApplicationError(*outcome.invalidTipInterval);
        return;
    }
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
    host_.OpenPage(vh::Page::Password);
}
