#include "monitor/MonitorSettingPage.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <exception>
#include <memory>

#include "monitor/Schedule.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"
#include "storage/uDBFunc.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/PageHost.h"
#include "toolkit/QtText.h"
#include "toolkit/TTimer.h"

namespace {

std::string Gbk(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

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

TMonitorSettingPage::TMonitorSettingPage(vh::PageHost& host, TSettingsAccessor& settings, QWidget* parent)
    : QWidget(parent), host_(host), settings_(settings) {
    setObjectName("RTSTabMonitorCaption");

    auto* heading = Label("时间分析设定", this);
    heading->setObjectName("lblMonitorCaption");
    QFont f = heading->font();
    f.setBold(true);
    // The skin's fonts are set in pixels, where the point size reads as -1.
    if (f.pixelSize() > 0)
        f.setPixelSize(f.pixelSize() * 13 / 10);
    else
        f.setPointSizeF(f.pointSizeF() * 1.3);
    heading->setFont(f);

    suiRbtn1 = new QRadioButton(QString::fromUtf8("每天"), this);
    suiRbtn1->setObjectName("suiRbtn1");
    suiRbtn2 = new QRadioButton(QString::fromUtf8("仅此一次"), this);
    suiRbtn2->setObjectName("suiRbtn2");
    suiRadioButton1 = new QRadioButton(QString::fromUtf8("取消设定"), this);
    suiRadioButton1->setObjectName("suiRadioButton1");
    taskGroup_ = new QButtonGroup(this);
    taskGroup_->addButton(suiRbtn1, 0);
    taskGroup_->addButton(suiRbtn2, 1);
    taskGroup_->addButton(suiRadioButton1, 2);
    suiRbtn1->setChecked(true);

    suiCbx1 = MakeSelector("suiCbx1", 24);
    suiCbx2 = MakeSelector("suiCbx2", 60);
    suiCbx3 = MakeSelector("suiCbx3", 60);
    suiCbx4 = MakeSelector("suiCbx4", 24);
    suiCbx5 = MakeSelector("suiCbx5", 60);
    suiCbx6 = MakeSelector("suiCbx6", 60);

    sNumEdt1 = new QLineEdit(QStringLiteral("1"), this);
    sNumEdt1->setObjectName("sNumEdt1");
    sNumEdt1->setAccessibleName("sNumEdt1");
    sNumEdt1->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,9}"), sNumEdt1));
    sNumEdt1->setMaximumWidth(80);

    btn13 = new QPushButton(QString::fromUtf8("应用"), this);
    btn13->setObjectName("btn13");
    btn12 = new QPushButton(QString::fromUtf8("清除"), this);
    btn12->setObjectName("btn12");
    btn26 = new QPushButton(QString::fromUtf8("工作程序设定"), this);
    btn26->setObjectName("btn26");
    connect(btn13, &QPushButton::clicked, this, &TMonitorSettingPage::btn13Click);
    connect(btn12, &QPushButton::clicked, this, &TMonitorSettingPage::btn12Click);
    connect(btn26, &QPushButton::clicked, this, &TMonitorSettingPage::btn26Click);

    auto* kinds = new QHBoxLayout;
    kinds->addWidget(suiRbtn1);
    kinds->addWidget(suiRbtn2);
    kinds->addWidget(suiRadioButton1);
    kinds->addStretch();

    auto timeRow = [this](const char* caption, QComboBox* h, QComboBox* m, QComboBox* s) {
        auto* row = new QHBoxLayout;
        row->addWidget(Label(caption, this));
        row->addWidget(h);
        row->addWidget(Label(":", this));
        row->addWidget(m);
        row->addWidget(Label(":", this));
        row->addWidget(s);
        row->addStretch();
        return row;
    };

    auto* interval = new QHBoxLayout;
    interval->addWidget(Label("每隔", this));
    interval->addWidget(sNumEdt1);
    interval->addWidget(Label("分钟进行一次记录", this));
    interval->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btn13);
    buttons->addWidget(btn12);
    buttons->addStretch();
    buttons->addWidget(btn26);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(kinds);
    layout->addLayout(timeRow("从", suiCbx1, suiCbx2, suiCbx3));
    layout->addLayout(timeRow("到", suiCbx4, suiCbx5, suiCbx6));
    layout->addLayout(interval);
    layout->addLayout(buttons);
    layout->addStretch();
}

QComboBox* TMonitorSettingPage::MakeSelector(const char* name, int count) {
    auto* box = new QComboBox(this);
    box->setObjectName(name);
    box->setAccessibleName(name);
    box->setEditable(false);
    for (int i = 0; i < count; ++i)
        box->addItem(QString::number(i));
    box->setCurrentIndex(0);
    return box;
}

void TMonitorSettingPage::FillScheduleControls() {
    switch (MonitorSchedule.TaskType) {
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
    SelectTime(MonitorSchedule.TimeFrom, suiCbx1, suiCbx2, suiCbx3);
    SelectTime(MonitorSchedule.TimeEnd, suiCbx4, suiCbx5, suiCbx6);
    sNumEdt1->setText(QString::number(MonitorSchedule.MonitorInterval));
}

void TMonitorSettingPage::btn13Click() {
    try {
        DBFunc = std::make_unique<TDBFunc>();
    } catch (const std::exception&) {
        host_.ShowNotice(Gbk("信息"), Gbk("数据库初始化出现错误，请检查相关设定。"));
        return;
    }

    TScheduleInput in;
    if (suiRbtn1->isChecked())
        in.TaskType = 0;
    else if (suiRbtn2->isChecked())
        in.TaskType = 1;
    else if (suiRadioButton1->isChecked())
        in.TaskType = 2;
    else
        in.TaskType = MonitorSchedule.TaskType;
    in.FromHour = suiCbx1->currentIndex();
    in.FromMinute = suiCbx2->currentIndex();
    in.FromSecond = suiCbx3->currentIndex();
    in.EndHour = suiCbx4->currentIndex();
    in.EndMinute = suiCbx5->currentIndex();
    in.EndSecond = suiCbx6->currentIndex();
    in.IntervalText = vh::ToGbk(sNumEdt1->text());
    int interval = 0;
    if (!IsValidScheduleInput(in) || !ParseMonitorInterval(in.IntervalText, interval)) {
        host_.ShowNotice(Gbk("错误"), Gbk("时间设定有误，请重新设定"));
        return;
    }

    const std::string from = BuildTimeText(in.FromHour, in.FromMinute, in.FromSecond);
    const std::string end = BuildTimeText(in.EndHour, in.EndMinute, in.EndSecond);
    try {
        SaveSchedule(settings_, in.TaskType, from, interval, end);
    } catch (const std::exception& e) {
        // The settings file refused the write: reported like any failed handler, nothing restarted.
        vh::ShowApplicationError(e.what());
        return;
    }
    // Memory follows the file only once the file holds the new schedule.
    MonitorSchedule.TaskType = in.TaskType;
    MonitorSchedule.TimeFrom = from;
    MonitorSchedule.TimeEnd = end;
    MonitorSchedule.MonitorInterval = interval;

    vh::TTimer& range = host_.Timer("tmrTimeRange");
    range.Stop();
    range.Start();
    host_.ShowNotice(Gbk("信息"), Gbk("设定成功生效。"));
    host_.ShowPage("RTSTSMain");
}

void TMonitorSettingPage::btn12Click() {
    suiRbtn1->setChecked(true);
    for (QComboBox* box : {suiCbx1, suiCbx2, suiCbx3, suiCbx4, suiCbx5, suiCbx6})
        box->setCurrentIndex(-1);
    sNumEdt1->clear();
}

void TMonitorSettingPage::btn26Click() {
    host_.OpenPage("RTSWorkSet");
}

void tmrTimeRangeTimer(const TSettingsAccessor& settings, vh::TTimer& tmrSave) {
    const int wanted = SamplingIntervalMs(MonitorSchedule.MonitorInterval);
    switch (DecideSampling(IsInPeriod(settings), tmrSave.Enabled(), tmrSave.Interval(), wanted)) {
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
