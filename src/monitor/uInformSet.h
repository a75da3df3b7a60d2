#pragma once
// The reminder-text dialog, opened modally from the work-program page. It has its own settings accessor
// on the same Config.ini as the main window.
#include <QDialog>

#include "settings/SettingsAccessor.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TfrmInformSet : public QDialog {
    Q_OBJECT
public:
    // Points rzIniInfo at Config.ini of the application folder.
    explicit TfrmInformSet(QWidget* parent = nullptr);

    // Refills the dialog and runs it modally; returns when it is closed.
    int ShowModal() { return exec(); }

    TSettingsAccessor rzIniInfo;

    QLabel* lblHint;
    QPlainTextEdit* mmoInform;
    QLabel* lblMessage;
    QPushButton* btnOk;
    QPushButton* btnCancel;

public slots:
    void btnOkClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* event) override;
};
