#include "monitor/uInformSet.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "monitor/NonWork.h"
#include "toolkit/DialogFrame.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/NoticeWindow.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"

#include <exception>

TfrmInformSet::TfrmInformSet(QWidget* parent) : QDialog(parent) {
    vh::MakeNoticeWindow(this);
    setObjectName(QStringLiteral("frmInformSet"));
    setWindowTitle(QStringLiteral("请设定提醒内容："));
    setFixedSize(286, 205);
    setFont(vh::skin::SongFont());
    rzIniInfo.SetSettingsPath(ConfigFilePath());

    vh::frame::AddHeader(this, 29, QStringLiteral("请设定提醒内容："), QPoint(9, 7));
    lblHint = vh::frame::AddLabel(this, QStringLiteral("请不要包含双引号、单引号字符，内容长度小于70字"), QPoint(6, 38),
                                  Qt::blue);
    lblHint->setObjectName(QStringLiteral("lblHint"));

    mmoInform = new QPlainTextEdit(this);
    mmoInform->setObjectName(QStringLiteral("mmoInform"));
    mmoInform->setGeometry(9, 55, 268, 95);
    mmoInform->setTabChangesFocus(true);

    lblMessage =
        vh::frame::AddLabel(this, QStringLiteral("提醒内容不能为空，请设定提醒内容"), QPoint(10, 157), Qt::red);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setVisible(false);

    btnOk = new QPushButton(QStringLiteral("确认"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(45, 177, 60, 22);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(184, 177, 60, 22);
    btnOk->setAutoDefault(false);
    btnCancel->setAutoDefault(false);

    connect(btnOk, &QPushButton::clicked, this, &TfrmInformSet::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmInformSet::btnCancelClick);
}

void TfrmInformSet::showEvent(QShowEvent* event) {
    lblMessage->setVisible(false);
    mmoInform->clear();
    mmoInform->setPlainText(vh::FromGbk(vh::monitor::ReadReminderText(rzIniInfo)));
    vh::frame::CentreOnDesktop(this);
    QDialog::showEvent(event);
}

void TfrmInformSet::btnOkClick() {
    const auto check = vh::monitor::CheckReminderText(vh::ToGbk(mmoInform->toPlainText()));
    switch (check.result) {
    case vh::monitor::ReminderCheck::Empty:
        lblMessage->setText(vh::FromGbk(vh::monitor::ReminderEmptyMessage()));
        break;
    case vh::monitor::ReminderCheck::TooLong:
        lblMessage->setText(vh::FromGbk(vh::monitor::ReminderTooLongMessage()));
        break;
    case vh::monitor::ReminderCheck::Ok:
        try {
            vh::monitor::WriteReminderText(rzIniInfo, check.text);
        } catch (const std::exception& e) {
            // A refused write ends the handler with the error's own text; the dialog stays open.
            vh::ShowApplicationError(e.what());
            return;
        }
        accept();
        return;
    }
    lblMessage->adjustSize();
    lblMessage->setVisible(true);
}

void TfrmInformSet::btnCancelClick() {
    reject();
}
