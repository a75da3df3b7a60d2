#pragma once
// The work-program page RTSWorkSet: marks catalogue entries as work programs (at once, in the database)
// and stores the reaction to a non-work program (only with "完成").
#include <QWidget>
#include <cstdint>

class QButtonGroup;
class QListWidget;
class QPushButton;
class QRadioButton;
class TSettingsAccessor;

namespace vh {
class PageHost;
}

class TWorkProgramPage : public QWidget {
    Q_OBJECT
public:
    // settings: the main window's accessor.
    TWorkProgramPage(vh::PageHost& host, TSettingsAccessor& settings, QWidget* parent = nullptr);

    // The page's opening: both lists from the catalogue, the radio button of the stored mode.
    void FillPage();
    // Reads system/unwork (default 0) and checks its radio button.
    int ReadReactionMode();
    // Checks the radio button of mode 0..3; any other value leaves them as they are.
    void CheckReactionRadio(int mode);
    // The mode of the checked radio button.
    int CheckedReactionMode() const;

    QListWidget* sLB1;
    QListWidget* sLB2;
    QPushButton* btn27;
    QPushButton* btn28;
    QRadioButton* suiRbtn5;
    QRadioButton* suiRbtn6;
    QRadioButton* suiRbtn7;
    QRadioButton* suiRbtn8;
    QPushButton* btn36;
    QPushButton* btn31;
    QPushButton* btn29;
    QPushButton* btn30;

signals:
    // "提醒内容设定": the assembly opens the reminder-text dialog.
    void ReminderTextRequested();

public slots:
    void sLB1DblClick();
    void sLB2DblClick();
    void btn27Click() { sLB1DblClick(); }
    void btn28Click() { sLB2DblClick(); }
    void btn36Click();
    void btn31Click();
    void btn29Click();
    void btn30Click();

private:
    void FillList(QListWidget* list, std::int16_t lowestState);

    vh::PageHost& host_;
    TSettingsAccessor& settings_;
    QButtonGroup* reactionGroup_;
};
