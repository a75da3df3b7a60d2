#include "app/uInfoFrm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "toolkit/NoticeWindow.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"

namespace {
// The inserted break is LF CR; a label would show the CR as a stray glyph on some platforms.
QString DisplayText(const std::string& gbk) {
    QString s = vh::FromGbk(gbk);
    s.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    return s;
}
} // namespace

TFrmInfo::TFrmInfo() : QDialog(nullptr) {
    vh::MakeNoticeWindow(this);
    setObjectName(QStringLiteral("FrmInfo"));
    setWindowTitle(QStringLiteral("提示"));
    setFixedSize(285, 121);
    setAttribute(Qt::WA_ShowWithoutActivating, false);

    imgHeader = new vh::skin::SkinBanner(this);
    imgHeader->setGeometry(0, 0, 285, 29);
    lblCaption = new QLabel(imgHeader);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setFont(vh::skin::SongFont(12));
    lblCaption->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    lblCaption->move(9, 7);
    lblCaption->resize(270, 16);

    imgIcon = new vh::skin::SkinGlyph(this);
    imgIcon->setGeometry(5, 33, 33, 33);

    lblMessage = new QLabel(QStringLiteral(" "), this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setFont(vh::skin::SongFont(12));
    lblMessage->setStyleSheet(QStringLiteral("color: #0000ff;"));
    lblMessage->setTextFormat(Qt::PlainText);
    lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMessage->move(48, 41);
    lblMessage->resize(235, 44);

    btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(36, 91, 66, 22);
    btnCancel = new QPushButton(QStringLiteral("取消"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(186, 91, 61, 22);
    connect(btnOk, &QPushButton::clicked, this, &TFrmInfo::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TFrmInfo::btnCancelClick);

    setStyleSheet(QStringLiteral("TFrmInfo { background: #f4f7fb; border: 1px solid #2b5797; }"));
}

void TFrmInfo::SetTexts(const std::string& caption, const std::string& message) {
    caption_ = caption;
    message_ = message;
    lblCaption->setText(vh::FromGbk(caption));
    lblMessage->setText(DisplayText(message));
}

void TFrmInfo::btnOkClick() {
    result_ = true;
    done(QDialog::Accepted);
}

void TFrmInfo::btnCancelClick() {
    result_ = false;
    done(QDialog::Rejected);
}

void TFrmInfo::showEvent(QShowEvent* e) {
    // Esc, a close from outside or a hide must never confirm a question: only "确定" answers yes.
    result_ = false;
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect r = s->availableGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(e);
}
