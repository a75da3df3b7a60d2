#include "toolkit/DialogFrame.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QWidget>

#include "toolkit/Skin.h"

namespace vh::frame {

QLabel* AddHeader(QWidget* dialog, int height, const QString& title, QPoint titlePos) {
    auto* strip = new vh::skin::SkinBanner(dialog);
    strip->setObjectName(QStringLiteral("imgHeader"));
    strip->setGeometry(0, 0, dialog->width(), height);
    auto* label = AddLabel(strip, title, titlePos, Qt::white);
    label->setObjectName(QStringLiteral("lblCaption"));
    return label;
}

QLabel* AddLabel(QWidget* parent, const QString& text, QPoint pos, const QColor& colour) {
    auto* label = new QLabel(text, parent);
    label->setFont(vh::skin::SongFont());
    label->setTextFormat(Qt::PlainText);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    label->move(pos);
    label->adjustSize();
    return label;
}

void CentreOnDesktop(QWidget* w) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect desk = screen->geometry();
    w->move(desk.center() - QPoint(w->width() / 2, w->height() / 2));
}

} // namespace vh::frame
