#pragma once
// The password page of the main window: the old password, the new one twice, clear and apply.
#include <QWidget>

class QLineEdit;
class QPushButton;
class TSettingsAccessor;

namespace vh {
class PageHost;
} // namespace vh

class TPasswordPage : public QWidget {
    Q_OBJECT
public:
    TPasswordPage(vh::PageHost& host, TSettingsAccessor& settings, QWidget* parent = nullptr);

    QLineEdit* edt4;    // old password
    QLineEdit* edt5;    // new password
    QLineEdit* edt6;    // new password again
    QPushButton* btn15; // "清除"
    QPushButton* btn14; // "应用"

public slots:
    void btn14Click();
    void btn15Click();
    void ClearPasswordFields();

private:
    vh::PageHost& host_;
    TSettingsAccessor& settings_;
};
