#include "catalogue/uAddProgram.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "catalogue/Catalogue.h"
#include "catalogue/ProcessChoices.h"
#include "platform/Text.h"
#include "storage/uDBFunc.h"
#include "toolkit/DialogFrame.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/NoticeWindow.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"

#include <QAbstractItemView>
#include <QSignalBlocker>
#include <exception>

#include "platform/Clock.h"

namespace {

const char* const kHeadingCatalogue = "请输入待添加为可选程序的具体信息：";
const char* const kHeadingWork = "请输入添加为工作程序的具体信息";

constexpr int kFieldX = 128;
constexpr int kFieldWidth = 270;

QLineEdit* AddField(QWidget* parent, const char* objectName, const QString& label, int y) {
    vh::frame::AddLabel(parent, label, QPoint(20, y + 5), vh::skin::kText);
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setGeometry(kFieldX, y, kFieldWidth, vh::skin::kRowHeight);
    return edit;
}

// A process as the list shows it: its name, then the caption it was last seen with.
QString ChoiceText(const vh::catalogue::ProcessChoice& c) {
    QString text = vh::FromGbk(c.processName);
    if (!c.caption.empty())
        text += QStringLiteral("  —  ") + vh::FromGbk(c.caption);
    if (c.onScreen)
        text += QStringLiteral("  (已打开)");
    return text;
}

} // namespace

TfrmAddWorkProgram::TfrmAddWorkProgram(QWidget* parent) : QDialog(parent) {
    vh::MakeNoticeWindow(this);
    setObjectName(QStringLiteral("frmAddWorkProgram"));
    setWindowTitle(QStringLiteral("添加可选程序"));
    setFixedSize(420, 230);
    setFont(vh::skin::SongFont());

    lblHeading = vh::frame::AddHeader(this, 29, QString::fromUtf8(kHeadingCatalogue), QPoint(9, 7));
    lblHeading->setObjectName(QStringLiteral("lblHeading"));
    // The process first: choosing it proposes the program name.
    vh::frame::AddLabel(this, QStringLiteral("程序对应进程名："), QPoint(20, 49), vh::skin::kText);
    cbxProcess = new QComboBox(this);
    cbxProcess->setObjectName(QStringLiteral("cbxProcess"));
    cbxProcess->setEditable(true);
    cbxProcess->setInsertPolicy(QComboBox::NoInsert);
    cbxProcess->setMaxVisibleItems(12);
    cbxProcess->setGeometry(kFieldX, 44, kFieldWidth, vh::skin::kRowHeight);
    suiEdtprocessname = new QLineEdit(cbxProcess);
    suiEdtprocessname->setObjectName(QStringLiteral("suiEdtprocessname"));
    cbxProcess->setLineEdit(suiEdtprocessname);
    // Typed text stays as typed: no completion from the list's longer texts.
    cbxProcess->setCompleter(nullptr);
    suiEdtprocessname->setPlaceholderText(QStringLiteral("输入或从列表中选择"));
    cbxProcess->view()->setMinimumWidth(kFieldWidth + 120);
    connect(cbxProcess, qOverload<int>(&QComboBox::activated), this, &TfrmAddWorkProgram::ChooseProcess);
    suiEdtProgramName = AddField(this, "suiEdtProgramName", QStringLiteral("程序名称："), 78);
    suiEdtprocessDes = AddField(this, "suiEdtprocessDes", QStringLiteral("程序对应的描述："), 112);
    setTabOrder(suiEdtprocessname, suiEdtProgramName);
    setTabOrder(suiEdtProgramName, suiEdtprocessDes);

    auto* hint = vh::frame::AddLabel(this, QStringLiteral("列表中是记录过的程序和当前打开的程序。"), QPoint(20, 146),
                                     vh::skin::kMuted);
    hint->setObjectName(QStringLiteral("lblChoiceHint"));

    lblStatus = vh::frame::AddLabel(this, QString(), QPoint(20, 166), Qt::red);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->resize(380, 16);
    lblStatus->hide();

    btn32 = new QPushButton(QStringLiteral("添加"), this);
    btn32->setObjectName(QStringLiteral("btn32"));
    btn32->setGeometry(110, 192, 80, vh::skin::kButtonHeight);
    btn33 = new QPushButton(QStringLiteral("取消"), this);
    btn33->setObjectName(QStringLiteral("btn33"));
    btn33->setGeometry(230, 192, 80, vh::skin::kButtonHeight);
    btn32->setAutoDefault(false);
    btn33->setAutoDefault(false);

    vh::skin::MakePrimary(btn32);
    connect(btn32, &QPushButton::clicked, this, &TfrmAddWorkProgram::btn32Click);
    connect(btn33, &QPushButton::clicked, this, &TfrmAddWorkProgram::btn33Click);
    vh::frame::CentreOnDesktop(this);
}

void TfrmAddWorkProgram::Prefill(const std::string& processName, const std::string& programName,
                                 const std::string& description) {
    suiEdtprocessname->setText(vh::FromGbk(processName));
    suiEdtProgramName->setText(vh::FromGbk(programName));
    suiEdtprocessDes->setText(vh::FromGbk(description));
    lblStatus->hide();
}

void TfrmAddWorkProgram::SetMode(vh::catalogue::AddMode mode) {
    mode_ = mode;
    lblHeading->setText(
        QString::fromUtf8(mode == vh::catalogue::AddMode::WorkProgram ? kHeadingWork : kHeadingCatalogue));
    lblHeading->adjustSize();
}

void TfrmAddWorkProgram::showEvent(QShowEvent* e) {
    LoadProcessChoices();
    QDialog::showEvent(e);
}

void TfrmAddWorkProgram::LoadProcessChoices() {
    const QString typed = suiEdtprocessname->text();
    const QSignalBlocker block(cbxProcess);
    cbxProcess->clear();
    for (const vh::catalogue::ProcessChoice& c :
         vh::catalogue::LoadProcessChoices(vh::Now(), static_cast<std::uint32_t>(QCoreApplication::applicationPid()))) {
        cbxProcess->addItem(ChoiceText(c), vh::FromGbk(c.processName));
        cbxProcess->setItemData(cbxProcess->count() - 1, vh::FromGbk(vh::catalogue::ProposedProgramName(c.caption)),
                                Qt::UserRole + 1);
    }
    cbxProcess->setCurrentIndex(-1);
    suiEdtprocessname->setText(typed);
}

void TfrmAddWorkProgram::ChooseProcess(int index) {
    if (index < 0)
        return;
    suiEdtprocessname->setText(cbxProcess->itemData(index).toString());
    const QString caption = cbxProcess->itemData(index, Qt::UserRole + 1).toString();
    if (!caption.isEmpty())
        suiEdtProgramName->setText(caption);
    lblStatus->hide();
}

void TfrmAddWorkProgram::ShowNonBlocking() {
    setModal(false);
    vh::frame::CentreOnDesktop(this);
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
        result = vh::catalogue::AddProgram(mode_, processName, programName, description);
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
    if (mode_ == vh::catalogue::AddMode::WorkProgram)
        emit WorkAddCancelled();
    QDialog::reject();
}
