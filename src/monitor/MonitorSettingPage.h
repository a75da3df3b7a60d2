#pragma once
// The monitor-setting page: the period of the day, every day or once, and the record interval.
#include <QWidget>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TSettingsAccessor;
struct TMonitorSchedule;

namespace vh {
class PageHost;
class TTimer;
} // namespace vh

class TMonitorSettingPage : public QWidget {
    Q_OBJECT
public:
    // schedule: the one the program keeps; apply changes it.
    TMonitorSettingPage(vh::PageHost& host, TSettingsAccessor& settings, TMonitorSchedule& schedule,
                        QWidget* parent = nullptr);

public slots:
    // Shows the schedule in the controls; a stored time that cannot be read leaves its selectors empty.
    void FillScheduleControls();
    void btn13Click(); // "应用"
    void btn12Click(); // "清除"
    void btn26Click(); // "工作程序设定"

private:
    QGroupBox* BuildKindBox();
    QGroupBox* BuildPeriodBox();
    QGroupBox* BuildIntervalBox();
    QHBoxLayout* BuildButtons();
    QComboBox* MakeSelector(QWidget* parent, const char* name, int count);

    vh::PageHost& host_;
    TSettingsAccessor& settings_;
    TMonitorSchedule& schedule_;
    QRadioButton* suiRbtn1;
    QRadioButton* suiRbtn2;
    QRadioButton* suiRadioButton1;
    QButtonGroup* taskGroup_;
    QComboBox* suiCbx1;
    QComboBox* suiCbx2;
    QComboBox* suiCbx3;
    QComboBox* suiCbx4;
    QComboBox* suiCbx5;
    QComboBox* suiCbx6;
    QLineEdit* sNumEdt1;
    QPushButton* btn13;
    QPushButton* btn12;
    QPushButton* btn26;
};

// The schedule timer's tick (tmrTimeRange, every 3 s): starts, re-arms or stops the sampling timer.
void tmrTimeRangeTimer(const TSettingsAccessor& settings, const TMonitorSchedule& schedule, vh::TTimer& tmrSave);
