#include "monitor/MonitorSettingPage.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <exception>

#include "monitor/Schedule.h"
#include "platform/Clock.h"
#include "settings/SettingsAccessor.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/PageHost.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"
#include "toolkit/TTimer.h"

namespace {

QLabel* Label(const char* utf8, QWidget* parent) {
    return new QLabel(QString::fromUtf8(utf8), parent);
}

void SelectTime(const std::string& text, QComboBox* h, QComboBox* m, QComboBox* s) {
    int hour = 0, minute = 0, second = 0;
    if (!vh::ParseTimeOfDay(text, hour, minute, second))
        hour = minute = second = -1; // a hand-edited time: let the user choose afresh
    h->setCurrentIndex(hour);
    m->setCurrentIndex(minute);
    s->setCurrentIndex(second);
}

} // namespace

TMonitorSettingPage::TMonitorSettingPage(vh::PageHost& host, TSettingsAccessor& settings, TMonitorSchedule& schedule,
                                         QWidget* parent)
    : QWidget(parent), host_(host), settings_(settings), schedule_(schedule) {
    setObjectName(vh::PageName(vh::Page::MonitorSetting));

    QLabel* heading = vh::skin::PageHeading(this, QString::fromUtf8("时间分析设定"));
    heading->setObjectName("lblMonitorCaption");

    // Three groups under the heading, each one question: how often, when, how densely.
    QGroupBox* kindBox = BuildKindBox();
    QGroupBox* periodBox = BuildPeriodBox();
    QGroupBox* intervalBox = BuildIntervalBox();

    auto* note = Label("设定后点击“应用”生效；再点击“工作程序设定”，选出哪些程序属于工作。", this);
    note->setObjectName("lblMonitorHint");
    note->setWordWrap(true);
    QPalette muted = note->palette();
    muted.setColor(QPalette::WindowText, vh::skin::kMuted);
    note->setPalette(muted);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(vh::skin::kMargin, vh::skin::kContentTop, vh::skin::kMargin, 16);
    layout->setSpacing(14);
    layout->addWidget(kindBox);
    layout->addWidget(periodBox);
    layout->addWidget(intervalBox);
    layout->addWidget(note);
    layout->addStretch();
    layout->addLayout(BuildButtons());
}

QGroupBox* TMonitorSettingPage::BuildKindBox() {
    auto* kindBox = new QGroupBox(QString::fromUtf8("监视方式"), this);
    suiRbtn1 = new QRadioButton(QString::fromUtf8("每天"), kindBox);
    suiRbtn1->setObjectName("suiRbtn1");
    suiRbtn2 = new QRadioButton(QString::fromUtf8("仅此一次"), kindBox);
    suiRbtn2->setObjectName("suiRbtn2");
    suiRadioButton1 = new QRadioButton(QString::fromUtf8("取消设定"), kindBox);
    suiRadioButton1->setObjectName("suiRadioButton1");
    taskGroup_ = new QButtonGroup(this);
    taskGroup_->addButton(suiRbtn1, 0);
    taskGroup_->addButton(suiRbtn2, 1);
    taskGroup_->addButton(suiRadioButton1, 2);
    suiRbtn1->setChecked(true);

    auto* kinds = new QHBoxLayout(kindBox);
    kinds->setContentsMargins(14, 10, 14, 8);
    kinds->setSpacing(24);
    kinds->addWidget(suiRbtn1);
    kinds->addWidget(suiRbtn2);
    kinds->addWidget(suiRadioButton1);
    kinds->addStretch();
    return kindBox;
}

QGroupBox* TMonitorSettingPage::BuildPeriodBox() {
    auto* periodBox = new QGroupBox(QString::fromUtf8("监视时段"), this);
    suiCbx1 = MakeSelector(periodBox, "suiCbx1", 24);
    suiCbx2 = MakeSelector(periodBox, "suiCbx2", 60);
    suiCbx3 = MakeSelector(periodBox, "suiCbx3", 60);
    suiCbx4 = MakeSelector(periodBox, "suiCbx4", 24);
    suiCbx5 = MakeSelector(periodBox, "suiCbx5", 60);
    suiCbx6 = MakeSelector(periodBox, "suiCbx6", 60);
    auto timeRow = [periodBox](const char* caption, QComboBox* h, QComboBox* m, QComboBox* s) {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        QLabel* l = Label(caption, periodBox);
        l->setMinimumWidth(24);
        row->addWidget(l);
        row->addWidget(h);
        row->addWidget(Label(":", periodBox));
        row->addWidget(m);
        row->addWidget(Label(":", periodBox));
        row->addWidget(s);
        row->addStretch();
        return row;
    };
    auto* period = new QVBoxLayout(periodBox);
    period->setContentsMargins(14, 10, 14, 10);
    period->setSpacing(vh::skin::kRowGap);
    period->addLayout(timeRow("从", suiCbx1, suiCbx2, suiCbx3));
    period->addLayout(timeRow("到", suiCbx4, suiCbx5, suiCbx6));
    return periodBox;
}

QGroupBox* TMonitorSettingPage::BuildIntervalBox() {
    auto* intervalBox = new QGroupBox(QString::fromUtf8("记录间隔"), this);
    sNumEdt1 = new QLineEdit(QStringLiteral("1"), intervalBox);
    sNumEdt1->setObjectName("sNumEdt1");
    sNumEdt1->setAccessibleName("sNumEdt1");
    sNumEdt1->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,9}"), sNumEdt1));
    sNumEdt1->setFixedWidth(64);
    auto* interval = new QHBoxLayout(intervalBox);
    interval->setContentsMargins(14, 10, 14, 8);
    interval->addWidget(Label("每隔", intervalBox));
    interval->addWidget(sNumEdt1);
    interval->addWidget(Label("分钟进行一次记录", intervalBox));
    interval->addStretch();
    return intervalBox;
}

QHBoxLayout* TMonitorSettingPage::BuildButtons() {
    btn13 = new QPushButton(QString::fromUtf8("应用"), this);
    btn13->setObjectName("btn13");
    btn12 = new QPushButton(QString::fromUtf8("清除"), this);
    btn12->setObjectName("btn12");
    btn26 = new QPushButton(QString::fromUtf8("工作程序设定"), this);
    btn26->setObjectName("btn26");
    vh::skin::MakePrimary(btn13);
    connect(btn13, &QPushButton::clicked, this, &TMonitorSettingPage::btn13Click);
    connect(btn12, &QPushButton::clicked, this, &TMonitorSettingPage::btn12Click);
    connect(btn26, &QPushButton::clicked, this, &TMonitorSettingPage::btn26Click);
    for (QPushButton* b : {btn13, btn12, btn26})
        b->setFixedHeight(vh::skin::kButtonHeight);
    btn13->setFixedWidth(vh::skin::kButtonWidth);
    btn12->setFixedWidth(vh::skin::kButtonWidth);
    btn26->setFixedWidth(120);
    btn13->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addWidget(btn13);
    buttons->addWidget(btn12);
    buttons->addStretch();
    buttons->addWidget(btn26);
    return buttons;
}

QComboBox* TMonitorSettingPage::MakeSelector(QWidget* parent, const char* name, int count) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(name);
    box->setEditable(false);
    for (int i = 0; i < count; ++i)
        box->addItem(QString::number(i));
    box->setCurrentIndex(0);
    box->setMinimumWidth(64);
    return box;
}

void TMonitorSettingPage::FillScheduleControls() {
    switch (schedule_.TaskType) {
    case 0:
        suiRbtn1->setChecked(true);
        break;
    case 1:
        suiRbtn2->setChecked(true);
        break;
    case 2:
        suiRadioButton1->setChecked(true);
        break;
    default:
        break;
    }
    SelectTime(schedule_.TimeFrom, suiCbx1, suiCbx2, suiCbx3);
    SelectTime(schedule_.TimeEnd, suiCbx4, suiCbx5, suiCbx6);
    sNumEdt1->setText(QString::number(schedule_.MonitorInterval));
}

void TMonitorSettingPage::btn13Click() {
    TScheduleInput in;
    if (suiRbtn1->isChecked())
        in.TaskType = 0;
    else if (suiRbtn2->isChecked())
        in.TaskType = 1;
    else if (suiRadioButton1->isChecked())
        in.TaskType = 2;
    else
        in.TaskType = schedule_.TaskType;
    in.FromHour = suiCbx1->currentIndex();
    in.FromMinute = suiCbx2->currentIndex();
    in.FromSecond = suiCbx3->currentIndex();
    in.EndHour = suiCbx4->currentIndex();
    in.EndMinute = suiCbx5->currentIndex();
    in.EndSecond = suiCbx6->currentIndex();
    in.IntervalText = vh::ToGbk(sNumEdt1->text());

    TScheduleApplyResult result = TScheduleApplyResult::Invalid;
    try {
        result = ApplySchedule(settings_, in, schedule_);
    } catch (const std::exception& e) {
        // The settings file refused the write: reported like any failed handler, nothing restarted.
        vh::ShowApplicationError(e.what());
        return;
    }
    if (result == TScheduleApplyResult::Applied) {
        vh::TTimer& range = host_.TimerOf(vh::Timer::TimeRange);
        range.Stop();
        range.Start();
    }
    const TScheduleNotice notice = ScheduleApplyNotice(result);
    host_.ShowNotice(notice.caption, notice.text);
    if (result == TScheduleApplyResult::Applied)
        host_.ShowPage(vh::Page::Main);
}

void TMonitorSettingPage::btn12Click() {
    suiRbtn1->setChecked(true);
    for (QComboBox* box : {suiCbx1, suiCbx2, suiCbx3, suiCbx4, suiCbx5, suiCbx6})
        box->setCurrentIndex(-1);
    sNumEdt1->clear();
}

void TMonitorSettingPage::btn26Click() {
    host_.OpenPage(vh::Page::WorkSet);
}

void tmrTimeRangeTimer(const TSettingsAccessor& settings, const TMonitorSchedule& schedule, vh::TTimer& tmrSave) {
    const int wanted = SamplingIntervalMs(schedule.MonitorInterval);
    switch (DecideSampling(IsInPeriod(settings, schedule), tmrSave.Enabled(), tmrSave.Interval(), wanted)) {
    case TSamplingAction::Keep:
        break;
    case TSamplingAction::Restart:
        tmrSave.Stop();
        tmrSave.SetInterval(wanted);
        tmrSave.Start();
        break;
    case TSamplingAction::Stop:
        if (tmrSave.Enabled())
            tmrSave.Stop();
        break;
    }
}
