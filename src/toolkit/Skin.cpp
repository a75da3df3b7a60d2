#include "toolkit/Skin.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStyleFactory>

namespace vh::skin {

namespace {
const char* kStyleSheet = R"(
QPushButton {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfeff, stop:1 #d6e3f3);
    border: 1px solid #6f8fbf; border-radius: 3px; padding: 1px 6px; color: #10305a;
}
QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #bcd4f0); }
QPushButton:pressed { background: #a9c3e6; }
QPushButton:focus { border: 1px solid #2b5797; }
QLineEdit, QComboBox, QSpinBox, QDateTimeEdit, QTimeEdit, QDateEdit {
    border: 1px solid #8aa6cf; background: white; padding: 1px 2px; selection-background-color: #2b5797;
}
QGroupBox { border: 1px solid #9db4d8; margin-top: 8px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; color: #2b5797; }
QListWidget, QTreeWidget, QTableWidget { border: 1px solid #8aa6cf; background: white; }
QHeaderView::section { background: #dfe9f7; border: 0; border-right: 1px solid #b5c8e6; padding: 2px; }
QMenu { background: #f4f7fb; border: 1px solid #2b5797; }
QMenu::item { padding: 3px 20px; }
QMenu::item:selected { background: #2b5797; color: white; }
)";
}

void ApplySkin(QApplication& app) {
    if (QStyle* s = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(s);
    QPalette p = app.palette();
    p.setColor(QPalette::Window, kPage);
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
