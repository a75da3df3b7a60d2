#include "catalogue/uAddProgram.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "catalogue/Catalogue.h"
#include "monitor/DialogFrame.h"
#include "monitor/uDealUnwork.h"
#include "platform/Text.h"
#include "storage/uDBFunc.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/NoticeWindow.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"

#include <exception>

namespace {

const char* const kHeadingCatalogue = "请输入待添加为可选程序的具体信息：";
const char* const kHeadingWork = "请输入添加为工作程序的具体信息";

QLineEdit* AddField(QWidget* parent, const char* objectName, const QString& label, int y) {
    vh::monitor::AddLabel(parent, label, QPoint(20, y + 4), Qt::black);
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setGeometry(130, y, 200, 21);
    return edit;
}

} // namespace

TfrmAddWorkProgram::TfrmAddWorkProgram(QWidget* parent) : QDialog(parent) {
    vh::MakeNoticeWindow(this);
    setObjectName(QStringLiteral("frmAddWorkProgram"));
    setWindowTitle(QStringLiteral("添加可选程序"));
    setFixedSize(360, 200);
    setFont(vh::skin::SongFont());

    lblHeading = vh::monitor::AddHeader(this, 29, QString::fromUtf8(kHeadingCatalogue), QPoint(9, 7));
    lblHeading->setObjectName(QStringLiteral("lblHeading"));
    suiEdtProgramName = AddField(this, "suiEdtProgramName", QStringLiteral("程序名称："), 48);
    suiEdtprocessname = AddField(this, "suiEdtprocessname", QStringLiteral("程序对应进程名："), 80);
    suiEdtprocessDes = AddField(this, "suiEdtprocessDes", QStringLiteral("程序对应的描述："), 112);

    lblStatus = vh::monitor::AddLabel(this, QString(), QPoint(20, 138), Qt::red);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->resize(320, 16);
    lblStatus->hide();

    btn32 = new QPushButton(QStringLiteral("添加"), this);
    btn32->setObjectName(QStringLiteral("btn32"));
    btn32->setGeometry(80, 160, 75, 22);
    btn33 = new QPushButton(QStringLiteral("取消"), this);
    btn33->setObjectName(QStringLiteral("btn33"));
    btn33->setGeometry(205, 160, 75, 22);
    btn32->setAutoDefault(false);
    btn33->setAutoDefault(false);

    connect(btn32, &QPushButton::clicked, this, &TfrmAddWorkProgram::btn32Click);
    connect(btn33, &QPushButton::clicked, this, &TfrmAddWorkProgram::btn33Click);
    vh::monitor::CentreOnDesktop(this);
}

void TfrmAddWorkProgram::Prefill(const std::string& processName, const std::string& programName,
                                 const std::string& description) {
    suiEdtprocessname->setText(vh::FromGbk(processName));
    suiEdtProgramName->setText(vh::FromGbk(programName));
    suiEdtprocessDes->setText(vh::FromGbk(description));
    lblStatus->hide();
}

void TfrmAddWorkProgram::SetMode(int mode) {
    mode_ = mode;
    lblHeading->setText(QString::fromUtf8(mode == 1 ? kHeadingWork : kHeadingCatalogue));
    lblHeading->adjustSize();
}

void TfrmAddWorkProgram::ShowNonBlocking() {
    setModal(false);
    vh::monitor::CentreOnDesktop(this);
    show();
    raise();
    activateWindow();
}

void TfrmAddWorkProgram::btn32Click() {
    const std::string processName = vh::text::Trim(vh::ToGbk(suiEdtprocessname->text()));
    const std::string programName = vh::text::Trim(vh::ToGbk(suiEdtProgramName->text()));
    const std::string description = vh::text::Trim(vh::ToGbk(suiEdtprocessDes->text()));
    TWriteResult result = TWriteResult::Done;
    try {
        result = TDBFunc::InsertProgram(processName, programName, description);
        if (mode_ == 1 && result == TWriteResult::Done)
            result = TDBFunc::SetProgramState(1, programName);
        else if (mode_ == 1 && result == TWriteResult::ProcessNameExists)
            // Already catalogued, perhaps under another name: that entry becomes the work program.
            result = TDBFunc::SetProgramStateByProcess(1, processName);
    } catch (const std::exception& e) {
        // Only a failed roll-back gets here (no connection): shown, and the handler ends there.
        vh::ShowApplicationError(e.what());
        return;
    }
    if (result != TWriteResult::Done) {
        // The dialog stays open with what was typed.
        lblStatus->setText(vh::FromGbk(vh::catalogue::RefusalText(result)));
        lblStatus->show();
        return;
    }
    accept();
}

void TfrmAddWorkProgram::btn33Click() {
    reject();
}

void TfrmAddWorkProgram::reject() {
    if (mode_ == 1 && notice_)
        notice_->ShowAgain();
    QDialog::reject();
}
