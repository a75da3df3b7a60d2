#pragma once
// The layout helpers of the small borderless dialogs (the look itself is the toolkit's skin).
#include <QColor>
#include <QPoint>
#include <QString>

class QLabel;
class QWidget;

namespace vh::frame {

// A header strip across the top of dialog; returns its title label.
QLabel* AddHeader(QWidget* dialog, int height, const QString& title, QPoint titlePos);
// A label at pos in the given colour, sized to its text.
QLabel* AddLabel(QWidget* parent, const QString& text, QPoint pos, const QColor& colour);
void CentreOnDesktop(QWidget* w);

} // namespace vh::frame
