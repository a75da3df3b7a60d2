#pragma once
// The login dialog: asks for the one password at start-up and at the tray gates.
#include <QDialog>
#include <string>

#include "settings/SettingsAccessor.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vh::skin {
class SkinBanner;
class SkinGlyph;
} // namespace vh::skin

class TFrmLogin : public QDialog {
    Q_OBJECT
public:
    // Modes and outcomes of LoginState.
    enum : int { StartupOrAccepted = 1, Gate = 2, ExitChosen = 3 };

    TFrmLogin();

    void SetLoginState(int state) { LoginState = state; }
    int GetLoginState() const { return LoginState; }
    // The window the dialog is centred on when shown (it has no owner; may be hidden or null).
    void SetCentreOn(QWidget* w) { centreOn_ = w; }

    TSettingsAccessor rzIniInfo;
    QLabel* lblBanner;
    QLineEdit* edt1;
    QLabel* lbl1;
    QPushButton* btn1;
    QPushButton* btn2;

public slots:
    void btn1Click();
    void btn2Click();
    // Key code 13 logs in, as the button does.
    void edt1KeyDown(int key);
    void FormDblClick();

protected:
    void FormCreate();
    void FormShow();
    void showEvent(QShowEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    // A close from outside the dialog's controls (window manager, Esc) is the exit button: otherwise the
    // start-up prompt could be dismissed with the state still 1, i.e. as if the password were accepted.
    void closeEvent(QCloseEvent* e) override;
    void reject() override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    int LoginState = 0;
    QWidget* centreOn_ = nullptr;
    vh::skin::SkinBanner* imgBanner;
    vh::skin::SkinGlyph* img1;
};
