#include "toolkit/Skin.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFrame>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>

namespace vh::skin {

namespace {
const char* kStyleSheet = R"(
QPushButton {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #e3ecf8);
    border: 1px solid #8fa9cf; border-radius: 4px; padding: 2px 10px; color: #10305a;
}
QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #cfe0f6); border-color: #2b5797; }
QPushButton:pressed { background: #bcd2ef; }
QPushButton:focus { border: 1px solid #2b5797; }
QPushButton:disabled { color: #9aa8b8; border-color: #c5d1e0; }
QLineEdit, QPlainTextEdit, QTextEdit {
    border: 1px solid #9fb5d6; border-radius: 3px; background: white; padding: 1px 3px;
    selection-background-color: #2b5797;
}
QLineEdit:focus, QPlainTextEdit:focus, QTextEdit:focus { border-color: #2b5797; }
QLineEdit:read-only { background: #eef2f8; color: #4a5a70; }
QGroupBox { border: 1px solid #c9d7ea; border-radius: 4px; margin-top: 10px; padding-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: #2b5797; }
QListWidget, QTreeWidget, QTableWidget { border: 1px solid #9fb5d6; background: white; }
QListWidget::item { padding: 2px 4px; }
QListWidget::item:selected, QTableWidget::item:selected { background: #2b5797; color: white; }
QHeaderView::section { background: #e6eef9; border: 0; border-right: 1px solid #c9d7ea;
    border-bottom: 1px solid #c9d7ea; padding: 2px 4px; color: #10305a; }
QMenu { background: #f7f9fc; border: 1px solid #2b5797; }
QMenu::item { padding: 4px 22px; }
QMenu::item:selected { background: #2b5797; color: white; }
QPushButton[primary="true"] { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #3f6fb0, stop:1 #2b5797);
    border: 1px solid #234a82; color: white; font-weight: bold; }
QPushButton[primary="true"]:hover { background: #3f6fb0; }
QPushButton[primary="true"]:pressed { background: #234a82; }
QFrame#skinCard { background: white; border: 1px solid #c9d7ea; border-radius: 6px; }
QToolTip { background: #ffffe8; color: #1d2b3c; border: 1px solid #9fb5d6; }
)";

// Keeps the edge the size of its dialog and above every child, which are added after it.
class DialogEdge : public QWidget {
public:
    explicit DialogEdge(QWidget* dialog) : QWidget(dialog) {
        setObjectName(QStringLiteral("skinEdge"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        dialog->installEventFilter(this);
        setGeometry(dialog->rect());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == parentWidget() && (e->type() == QEvent::Show || e->type() == QEvent::Resize)) {
            setGeometry(parentWidget()->rect());
            raise();
        }
        return false;
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QPen(kFrame.darker(120), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
};
} // namespace

void ApplySkin(QApplication& app) {
    if (QStyle* s = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(s);
    // Fusion draws combo boxes, pickers and their arrows from the palette; the style sheet leaves them alone.
    QPalette p = app.palette();
    p.setColor(QPalette::Window, kPage);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Button, QColor(0xf3, 0xf7, 0xfc));
    p.setColor(QPalette::WindowText, kText);
    p.setColor(QPalette::Text, kText);
    p.setColor(QPalette::ButtonText, QColor(0x10, 0x30, 0x5a));
    p.setColor(QPalette::Highlight, kFrame);
    app.setPalette(p);
    app.setFont(SongFont(12));
    app.setStyleSheet(QString::fromLatin1(kStyleSheet));
}

QFont SongFont(int pixelSize) {
    QFont f;
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")});
    f.setPixelSize(pixelSize);
    return f;
}

QFont HeadingFont() {
    QFont f = SongFont(16);
    f.setBold(true);
    return f;
}

QLabel* PageHeading(QWidget* page, const QString& text) {
    auto* l = new QLabel(text, page);
    l->setObjectName(QStringLiteral("lblPageHeading"));
    l->setFont(HeadingFont());
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l->setStyleSheet(QStringLiteral("color: %1; background: transparent; border: 0; border-bottom: 1px solid %2;")
                         .arg(kFrame.name(), kRule.name()));
    l->setGeometry(kMargin, kHeadingTop, kContentWidth, kHeadingHeight);
    return l;
}

QLabel* PageLabel(QWidget* parent, const QString& text, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->move(x, y);
    l->adjustSize();
    l->resize(l->width(), std::max(l->height(), kRowHeight));
    return l;
}

QLabel* HintLabel(QWidget* parent, const QString& text, int x, int y) {
    QLabel* l = PageLabel(parent, text, x, y);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, kMuted);
    l->setPalette(p);
    return l;
}

QWidget* Card(QWidget* parent, const QRect& geometry, const QString& title, const QString& text) {
    auto* card = new QFrame(parent);
    card->setObjectName(QStringLiteral("skinCard"));
    card->setGeometry(geometry);
    auto* heading = new QLabel(title, card);
    heading->setObjectName(QStringLiteral("lblCardTitle"));
    QFont f = SongFont(13);
    f.setBold(true);
    heading->setFont(f);
    heading->setStyleSheet(QStringLiteral("color: %1; background: transparent; border: 0;").arg(kFrame.name()));
    heading->setGeometry(12, 10, geometry.width() - 24, 20);
    auto* body = new QLabel(text, card);
    body->setObjectName(QStringLiteral("lblCardText"));
    body->setWordWrap(true);
    body->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    body->setStyleSheet(QStringLiteral("color: %1; background: transparent; border: 0;").arg(kMuted.name()));
    body->setGeometry(12, 34, geometry.width() - 24, geometry.height() - 40);
    return card;
}

QPushButton* PageButton(QWidget* page, const char* objectName, const QString& caption, const QRect& geometry) {
    auto* b = new QPushButton(caption, page);
    b->setObjectName(QString::fromLatin1(objectName));
    b->setGeometry(geometry);
    return b;
}

void MakePrimary(QPushButton* button) {
    button->setProperty("primary", true);
    button->style()->unpolish(button);
    button->style()->polish(button);
}

void AddDialogEdge(QWidget* dialog) {
    if (!dialog->findChild<DialogEdge*>(QString(), Qt::FindDirectChildrenOnly))
        new DialogEdge(dialog);
}

SkinBanner::SkinBanner(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SkinBanner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, kFrameLight);
    g.setColorAt(1, kFrame);
    p.fillRect(rect(), g);
    p.setPen(kFrame.darker(130));
    p.drawLine(0, height() - 1, width(), height() - 1);
}

HoverLabel::HoverLabel(const QString& text, const QColor& normal, const QColor& hover, bool shiftOnHover,
                       QWidget* parent)
    : QLabel(text, parent), normal_(normal), hover_(hover), shift_(shiftOnHover) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    ApplyColor();
}

void HoverLabel::ApplyColor() {
    setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(CurrentColor().name()));
}

void HoverLabel::enterEvent(QEnterEvent* e) {
    if (!hovered_) {
        hovered_ = true;
        ApplyColor();
        if (shift_)
            move(x() - 1, y() - 1);
    }
    QLabel::enterEvent(e);
}

void HoverLabel::leaveEvent(QEvent* e) {
    if (hovered_) {
        hovered_ = false;
        ApplyColor();
        if (shift_)
            move(x() + 1, y() + 1);
    }
    QLabel::leaveEvent(e);
}

void HoverLabel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(e);
}

SkinGlyph::SkinGlyph(QWidget* parent) : QWidget(parent) {}

void SkinGlyph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    QRadialGradient g(r.center() - QPointF(r.width() / 6, r.height() / 6), r.width() / 1.4);
    g.setColorAt(0, kFrameLight.lighter(140));
    g.setColorAt(1, kFrame);
    p.setBrush(g);
    p.setPen(QPen(kFrame.darker(140), 1));
    p.drawEllipse(r);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const double w = r.width();
    p.drawEllipse(QPointF(r.center().x(), r.top() + w * 0.27), w * 0.08, w * 0.08);
    p.drawRoundedRect(QRectF(r.center().x() - w * 0.07, r.top() + w * 0.42, w * 0.14, w * 0.38), 2, 2);
}

} // namespace vh::skin
