#include "settings/PasswordPage.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/ProfileString.h"
#include "platform/Text.h"
#include "settings/Passwords.h"
#include "settings/SettingsAccessor.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/PageHost.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"

namespace {

QLineEdit* PasswordField(const char* name, QWidget* parent, int y) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setAccessibleName(name);
    e->setEchoMode(QLineEdit::Password);
    // Each character shows as "*".
    e->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    e->setGeometry(190, y, 220, 24);
    return e;
}

QLabel* FieldLabel(const char* utf8, QWidget* parent, int y) {
    auto* l = new QLabel(QString::fromUtf8(utf8), parent);
    l->setGeometry(30, y, 155, 24);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

QPushButton* Button(const char* name, const char* utf8, QWidget* parent, int x) {
    auto* b = new QPushButton(QString::fromUtf8(utf8), parent);
    b->setObjectName(name);
    b->setAccessibleName(name);
    b->setGeometry(x, 220, 96, 30);
    return b;
}

} // namespace

TPasswordPage::TPasswordPage(vh::PageHost& host, TSettingsAccessor& settings, QWidget* parent)
    : QWidget(parent), host_(host), settings_(settings) {
    setObjectName(vh::PageName(vh::Page::Password));
    resize(vh::skin::kPageWidth, vh::skin::kPageHeight);

    QLabel* heading = vh::skin::PageHeading(this, QString::fromUtf8("系统设定--密码设定"));
    heading->setObjectName("lblPasswordCaption");

    auto* box = new QGroupBox(QString::fromUtf8("密码设定"), this);
    box->setObjectName("grpPassword");
    box->setGeometry(vh::skin::kMargin, vh::skin::kContentTop + 4, vh::skin::kContentWidth, 280);

    auto* hint = new QLabel(QString::fromUtf8("软件安装时的初始密码是：qwhmzt"), box);
    hint->setObjectName("lblInitialPassword");
    hint->setStyleSheet(QStringLiteral("color: red;"));
    hint->setGeometry(30, 30, 400, 22);

    FieldLabel("旧密码：", box, 72);
    edt4 = PasswordField("edt4", box, 72);
    FieldLabel("新密码：", box, 116);
    edt5 = PasswordField("edt5", box, 116);
    FieldLabel("重新输入新密码 ： ", box, 160);
    edt6 = PasswordField("edt6", box, 160);

    btn15 = Button("btn15", "清除", box, 190);
    btn14 = Button("btn14", "应用", box, 314);
    connect(btn15, &QPushButton::clicked, this, &TPasswordPage::btn15Click);
    vh::skin::MakePrimary(btn14);
    connect(btn14, &QPushButton::clicked, this, &TPasswordPage::btn14Click);
}

void TPasswordPage::btn14Click() {
    TPasswordApplyResult result;
    try {
        result =
            ApplyPasswordChange(settings_, vh::ToGbk(edt4->text()), vh::ToGbk(edt5->text()), vh::ToGbk(edt6->text()));
    } catch (const vh::platform::ProfileWriteError& e) {
        vh::ShowApplicationError(e.what());
        return;
    }
    const TPasswordNotice notice = PasswordApplyNotice(result);
    host_.ShowNotice(notice.caption, notice.text);
    if (result == TPasswordApplyResult::Changed)
        host_.ShowPage(vh::Page::Main);
}

void TPasswordPage::btn15Click() {
    ClearPasswordFields();
}

void TPasswordPage::ClearPasswordFields() {
    edt4->clear();
    edt5->clear();
    edt6->clear();
}
