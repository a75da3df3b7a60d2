#include "settings/uLogin.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "platform/Text.h"
#include "settings/Passwords.h"
#include "toolkit/AppTermination.h"
#include "toolkit/NoticeWindow.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"

TFrmLogin::TFrmLogin() : QDialog(nullptr) {
    vh::MakeNoticeWindow(this);
    setObjectName(QStringLiteral("FrmLogin"));
    setWindowTitle(QStringLiteral("系统登录"));
    setFixedSize(285, 116);

    imgBanner = new vh::skin::SkinBanner(this);
    imgBanner->setGeometry(0, 0, 285, 29);
    lblBanner = new QLabel(QStringLiteral("输入登录密码(初始密码为qwhmzt)："), imgBanner);
    lblBanner->setObjectName(QStringLiteral("lblBanner"));
    lblBanner->setFont(vh::skin::SongFont(12));
    lblBanner->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    lblBanner->setGeometry(9, 7, 270, 16);

    img1 = new vh::skin::SkinGlyph(this);
    img1->setGeometry(8, 38, 33, 33);

    edt1 = new QLineEdit(this);
    edt1->setObjectName(QStringLiteral("edt1"));
    edt1->setAccessibleName(QStringLiteral("edt1"));
    edt1->setEchoMode(QLineEdit::Password);
    edt1->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*", whatever the style
    edt1->setGeometry(50, 40, 222, 22);
    edt1->installEventFilter(this);

    lbl1 = new QLabel(this);
    lbl1->setObjectName(QStringLiteral("lbl1"));
    lbl1->setFont(vh::skin::SongFont(12));
    lbl1->setStyleSheet(QStringLiteral("color: #e01010;"));
    lbl1->setGeometry(50, 66, 222, 16);

    btn1 = new QPushButton(QStringLiteral("登录"), this);
    btn1->setObjectName(QStringLiteral("btn1"));
    btn1->setGeometry(110, 87, 66, 22);
    btn2 = new QPushButton(QStringLiteral("退出"), this);
    btn2->setObjectName(QStringLiteral("btn2"));
    btn2->setGeometry(198, 87, 66, 22);
    // Enter is handled by the password field alone, never by a default button.
    btn1->setAutoDefault(false);
    btn2->setAutoDefault(false);
    connect(btn1, &QPushButton::clicked, this, &TFrmLogin::btn1Click);
    connect(btn2, &QPushButton::clicked, this, &TFrmLogin::btn2Click);

    setStyleSheet(QStringLiteral("TFrmLogin { background: #f4f7fb; border: 1px solid #2b5797; }"));
    FormCreate();
}

void TFrmLogin::FormCreate() {
    rzIniInfo.SetSettingsPath(ConfigFilePath());
}

void TFrmLogin::FormShow() {
    edt1->clear();
}

void TFrmLogin::showEvent(QShowEvent* e) {
    QRect area;
    if (centreOn_)
        area = centreOn_->frameGeometry();
    else if (QScreen* s = QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
    FormShow();
    edt1->setFocus();
    QDialog::showEvent(e);
}

void TFrmLogin::btn1Click() {
    const std::string typed = vh::text::Trim(vh::ToGbk(edt1->text()));
    std::string status;
    if (CheckLoginPassword(rzIniInfo, typed, status)) {
        lbl1->clear();
        LoginState = StartupOrAccepted;
        done(QDialog::Accepted);
        return;
    }
    lbl1->setText(vh::FromGbk(status));
    edt1->clear();
}

void TFrmLogin::btn2Click() {
    if (LoginState == StartupOrAccepted) {
        LoginState = ExitChosen;
        vh::TerminateApplication();
        done(QDialog::Rejected);
    } else if (LoginState == Gate) {
        LoginState = ExitChosen;
        done(QDialog::Rejected);
    }
}

void TFrmLogin::edt1KeyDown(int key) {
    if (key == 13)
        btn1Click();
}

void TFrmLogin::FormDblClick() {
    btn2Click();
}

void TFrmLogin::mouseDoubleClickEvent(QMouseEvent* e) {
    FormDblClick();
    e->accept();
}

void TFrmLogin::closeEvent(QCloseEvent* e) {
    e->ignore();
    reject();
}

void TFrmLogin::reject() {
    if (LoginState == StartupOrAccepted || LoginState == Gate)
        btn2Click();
    else
        done(QDialog::Rejected);
}

bool TFrmLogin::eventFilter(QObject* o, QEvent* e) {
    if (o == edt1 && e->type() == QEvent::KeyPress) {
        const int k = static_cast<QKeyEvent*>(e)->key();
        if (k == Qt::Key_Return || k == Qt::Key_Enter) {
            edt1KeyDown(13);
            return true;
        }
    }
    return QDialog::eventFilter(o, e);
}
