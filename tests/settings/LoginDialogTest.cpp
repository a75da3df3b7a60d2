// The login dialog against a real Config.ini.
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/ShellTestSupport.h"
#include "settings/uLogin.h"
#include "support/ModalAnswerer.h"

using namespace vh::test;

namespace {

class LoginDialogTest : public ShellTest {};

void Type(TFrmLogin& d, const char* utf8) {
    d.edt1->setText(QString::fromUtf8(utf8));
}

void PressEnter(QWidget* w) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(w, &press);
}

// Runs one modal prompt in the given mode; answer acts inside it.
int Prompt(TFrmLogin& d, int mode, std::function<void(TFrmLogin&)> answer) {
    d.SetLoginState(mode);
    AnswerNextModal([&d, answer](QWidget* w) {
        EXPECT_EQ(w, &d);
        answer(d);
    });
    d.exec();
    return d.GetLoginState();
}

} // namespace

TEST_F(LoginDialogTest, Layout) {
    TFrmLogin d;
    EXPECT_EQ(d.size(), QSize(285, 116));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("系统登录"));
    EXPECT_EQ(d.parentWidget(), nullptr);
    EXPECT_TRUE(d.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(d.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(d.lblBanner->text(), QStringLiteral("输入登录密码(初始密码为qwhmzt)："));
    EXPECT_EQ(d.edt1->echoMode(), QLineEdit::Password);
    d.edt1->setText(QStringLiteral("abc"));
    EXPECT_EQ(d.edt1->displayText(), QStringLiteral("***"));
    d.edt1->clear();
    EXPECT_TRUE(d.lbl1->text().isEmpty());
    EXPECT_EQ(d.btn1->text(), QStringLiteral("登录"));
    EXPECT_EQ(d.btn2->text(), QStringLiteral("退出"));
    EXPECT_EQ(d.rzIniInfo.SettingsPath(), folder.Config());
}

TEST_F(LoginDialogTest, DeliveredPasswordAcceptedWithBlanks) {
    TFrmLogin d;
    EXPECT_EQ(Prompt(d, 2,
                     [](TFrmLogin& d) {
                         Type(d, "  qwhmzt\t ");
                         d.btn1->click();
                     }),
              1);
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(d.lbl1->text().isEmpty());
}

TEST_F(LoginDialogTest, EmptyAndWrongPasswordsStayOpenWithTheirStatus) {
    TFrmLogin d;
    QString emptyStatus, wrongStatus, fieldAfter = QStringLiteral("x");
    bool openAfter = false;
    const int state = Prompt(d, 2, [&](TFrmLogin& d) {
        Type(d, "   ");
        d.btn1->click();
        emptyStatus = d.lbl1->text();
        Type(d, "qwhmzT");
        d.btn1->click();
        wrongStatus = d.lbl1->text();
        fieldAfter = d.edt1->text();
        openAfter = d.isVisible();
        d.btn2->click();
    });
    EXPECT_EQ(state, 3);
    EXPECT_EQ(emptyStatus, QStringLiteral("密码不能为空，请重新输入."));
    EXPECT_EQ(wrongStatus, QStringLiteral("密码不正确，请重新输入"));
    EXPECT_TRUE(fieldAfter.isEmpty());
    EXPECT_TRUE(openAfter);
    EXPECT_FALSE(vh::ApplicationTerminated());

    // The next showing keeps the status but starts with an empty field.
    QString statusOnShow, fieldOnShow = QStringLiteral("x");
    d.edt1->setText(QStringLiteral("left over"));
    Prompt(d, 2, [&](TFrmLogin& d) {
        statusOnShow = d.lbl1->text();
        fieldOnShow = d.edt1->text();
        Type(d, "qwhmzt");
        d.btn1->click();
    });
    EXPECT_EQ(statusOnShow, QStringLiteral("密码不正确，请重新输入"));
    EXPECT_TRUE(fieldOnShow.isEmpty());
    EXPECT_TRUE(d.lbl1->text().isEmpty());
}

TEST_F(LoginDialogTest, EnterInThePasswordFieldLogsInLikeTheButton) {
    TFrmLogin d;
    QString status;
    EXPECT_EQ(Prompt(d, 2,
                     [&](TFrmLogin& d) {
                         Type(d, "nope");
                         PressEnter(d.edt1);
                         status = d.lbl1->text();
                         Type(d, "qwhmzt");
                         PressEnter(d.edt1);
                     }),
              1);
    EXPECT_EQ(status, QStringLiteral("密码不正确，请重新输入"));
}

TEST_F(LoginDialogTest, NoStoredHashAcceptsNothing) {
    folder.WriteConfig("[Security]\r\nStartPasswd=1\r\n", false);
    TFrmLogin d;
    QString status;
    EXPECT_EQ(Prompt(d, 2,
                     [&](TFrmLogin& d) {
                         Type(d, "qwhmzt");
                         d.btn1->click();
                         status = d.lbl1->text();
                         Type(d, "");
                         d.btn1->click();
                         d.btn2->click();
                     }),
              3);
    EXPECT_EQ(status, QStringLiteral("密码不正确，请重新输入"));
}

TEST_F(LoginDialogTest, ExitAtStartTerminatesAtTheGateOnlyCloses) {
    {
        TFrmLogin d;
        EXPECT_EQ(Prompt(d, 2, [](TFrmLogin& d) { d.btn2->click(); }), 3);
        EXPECT_FALSE(vh::ApplicationTerminated());
        EXPECT_FALSE(d.isVisible());
    }
    {
        TFrmLogin d;
        EXPECT_EQ(Prompt(d, 1, [](TFrmLogin& d) { d.btn2->click(); }), 3);
        EXPECT_TRUE(vh::ApplicationTerminated());
        EXPECT_FALSE(d.isVisible());
    }
    ForgetTermination();
    {
        // Any other state: the exit button does nothing.
        TFrmLogin d;
        d.SetLoginState(0);
        d.btn2Click();
        EXPECT_EQ(d.GetLoginState(), 0);
        EXPECT_FALSE(vh::ApplicationTerminated());
    }
}

TEST_F(LoginDialogTest, DoubleClickOnTheBackgroundIsTheExitButton) {
    TFrmLogin d;
    EXPECT_EQ(Prompt(d, 2,
                     [](TFrmLogin& d) {
                         QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 100), QPointF(5, 100), Qt::LeftButton,
                                         Qt::LeftButton, Qt::NoModifier);
                         QCoreApplication::sendEvent(&d, &dbl);
                     }),
              3);
}

TEST_F(LoginDialogTest, ACloseFromOutsideIsTheExitButton) {
    {
        // Without this the start-up prompt could be dismissed with the state still 1 (accepted).
        TFrmLogin d;
        EXPECT_EQ(Prompt(d, 1, [](TFrmLogin& d) { d.close(); }), 3);
        EXPECT_TRUE(vh::ApplicationTerminated());
    }
    ForgetTermination();
    {
        TFrmLogin d;
        EXPECT_EQ(Prompt(d, 2,
                         [](TFrmLogin& d) {
                             QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                             QCoreApplication::sendEvent(&d, &esc);
                         }),
                  3);
        EXPECT_FALSE(vh::ApplicationTerminated());
        EXPECT_FALSE(d.isVisible());
    }
}

TEST_F(LoginDialogTest, ChangedHashIsRequiredAtOnce) {
    TFrmLogin d;
    folder.Set("Security", "Passwd", PasswordHash("newpass").c_str());
    EXPECT_EQ(Prompt(d, 2,
                     [](TFrmLogin& d) {
                         Type(d, "qwhmzt");
                         d.btn1->click();
                         Type(d, "newpass");
                         d.btn1->click();
                     }),
              1);
}
