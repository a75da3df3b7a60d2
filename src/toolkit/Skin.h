#pragma once
// The skinned look: one application style sheet, the dialog header banner and the hover link labels, so
// every window of the program looks alike.
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QWidget>

class QApplication;

namespace vh::skin {

inline const QColor kFrame{0x2b, 0x57, 0x97};      // title banners, navigation panel
inline const QColor kFrameLight{0x4f, 0x86, 0xc6}; // gradient end
inline const QColor kPage{0xf4, 0xf7, 0xfb};       // page area
inline const QColor kLinkBlue{0x00, 0x33, 0xcc};
inline const QColor kLinkRed{0xe0, 0x10, 0x10};

// Fusion style with the program's style sheet and palette; call once after the application exists.
void ApplySkin(QApplication& app);

// The 12-pixel 宋体 the dialogs use (falls back to any CJK font present).
QFont SongFont(int pixelSize = 12);

// The coloured strip across the top of a borderless dialog.
class SkinBanner : public QWidget {
    Q_OBJECT
public:
    explicit SkinBanner(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
};

// A clickable label that changes colour while the pointer is over it; optionally moves one pixel up and
// to the left meanwhile (the navigation panel's labels).
class HoverLabel : public QLabel {
    Q_OBJECT
public:
    HoverLabel(const QString& text, const QColor& normal, const QColor& hover, bool shiftOnHover,
               QWidget* parent = nullptr);
    bool IsHovered() const { return hovered_; }
    QColor CurrentColor() const { return hovered_ ? hover_ : normal_; }

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void ApplyColor();
    QColor normal_, hover_;
    bool shift_;
    bool hovered_ = false;
};

// A small painted picture (the dialogs' 33 x 33 icon, the panel's logo): an information glyph.
class SkinGlyph : public QWidget {
    Q_OBJECT
public:
    explicit SkinGlyph(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
};

} // namespace vh::skin
