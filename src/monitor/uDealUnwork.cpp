#include "monitor/uDealUnwork.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "monitor/NonWork.h"
#include "platform/Text.h"
#include "platform/WindowSystem.h"
#include "toolkit/DialogFrame.h"
#include "toolkit/NoticeWindow.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"

namespace {

constexpr int kButtonY = 153;
constexpr int kButtonH = 22;
constexpr int kLeftX = 34;
constexpr int kMiddleX = 132;

// The label keeps plain lines; Qt would take the CR of the program's LF CR break for a second break.
QString ForDisplay(const std::string& gbk) {
    QString s = vh::FromGbk(gbk);
    s.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    return s;
}

} // namespace

TfrmDealUnwork::TfrmDealUnwork(QWidget* parent) : QWidget(parent) {
    vh::MakeNoticeWindow(this);
    setObjectName(QStringLiteral("frmDealUnwork"));
    setWindowTitle(QStringLiteral("非工作程序处理"));
    setFixedSize(365, 203);
    setFont(vh::skin::SongFont());

    lblTitle = vh::frame::AddHeader(this, 31, QString(), QPoint(13, 9));

    auto* picture = new vh::skin::SkinGlyph(this);
    picture->setObjectName(QStringLiteral("imgPicture"));
    picture->setGeometry(14, 38, 49, 50);

    lblMessage = vh::frame::AddLabel(this, QString(), QPoint(86, 45), Qt::blue);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));

    btnKnow = new QPushButton(QStringLiteral("知道了"), this);
    btnKnow->setObjectName(QStringLiteral("btnKnow"));
    btnKnow->setGeometry(kLeftX, kButtonY, 74, kButtonH);
    btnCloseProgram = new QPushButton(QStringLiteral("关闭该程序"), this);
    btnCloseProgram->setObjectName(QStringLiteral("btnCloseProgram"));
    btnCloseProgram->setGeometry(kMiddleX, kButtonY, 89, kButtonH);
    btnAddWork = new QPushButton(QStringLiteral("添加到工作程序"), this);
    btnAddWork->setObjectName(QStringLiteral("btnAddWork"));
    btnAddWork->setGeometry(241, kButtonY - 1, 115, kButtonH);

    connect(btnKnow, &QPushButton::clicked, this, &TfrmDealUnwork::btnKnowClick);
    connect(btnCloseProgram, &QPushButton::clicked, this, &TfrmDealUnwork::btnCloseProgramClick);
    connect(btnAddWork, &QPushButton::clicked, this, &TfrmDealUnwork::btnAddWorkClick);

    vh::frame::CentreOnDesktop(this);
}

void TfrmDealUnwork::ApplyLayout(int layout) {
    switch (layout) {
    case vh::monitor::kLayoutRemind:
        btnKnow->move(kLeftX, kButtonY);
        btnKnow->setVisible(true);
        btnCloseProgram->setVisible(false);
        btnCloseProgram->move(kMiddleX, kButtonY);
        break;
    case vh::monitor::kLayoutKillOnly:
        btnKnow->setVisible(false);
        btnCloseProgram->move(kLeftX, kButtonY);
        btnCloseProgram->setVisible(true);
        break;
    case vh::monitor::kLayoutRemindOrKill:
        btnKnow->move(kLeftX, kButtonY);
        btnKnow->setVisible(true);
        btnCloseProgram->move(kMiddleX, kButtonY);
        btnCloseProgram->setVisible(true);
        break;
    default:
        break;
    }
}

void TfrmDealUnwork::ShowUnworkNotice(const std::string& title, const std::string& message, int layout,
                                      const std::string& processName, const std::string& programName, std::uint32_t pid,
                                      const vh::DateTime& sampledAt) {
    lblTitle->setText(vh::FromGbk(vh::text::Trim(title)));
    lblTitle->adjustSize();
    message_ = vh::monitor::WrapNoticeText(message, vh::monitor::kNoticeLineWidth);
    lblMessage->setText(ForDisplay(message_));
    lblMessage->adjustSize();
    ApplyLayout(layout);
    processName_ = processName;
    programName_ = programName;
    processId_ = pid;
    sampledAt_ = sampledAt;
    ShowAgain();
}

void TfrmDealUnwork::ShowAgain() {
    show();
    raise();
    activateWindow();
}

void TfrmDealUnwork::btnKnowClick() {
    close();
}

void TfrmDealUnwork::btnCloseProgramClick() {
    try {
        vh::monitor::KillSampledProcess(vh::platform::TheWindowSystem(), processId_, processName_, sampledAt_);
    } catch (...) {
        // Nothing is reported when the process cannot be reached.
    }
    close();
}

void TfrmDealUnwork::btnAddWorkClick() {
    emit AddWorkRequested(processName_, programName_);
    close();
}
