#pragma once
// The skinned look: one application style sheet, the dialog header banner and the hover link labels, so
// every window of the program looks alike.
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

class QApplication;

namespace vh::skin {

inline const QColor kFrame{0x2b, 0x57, 0x97};      // title banners, navigation panel
inline const QColor kFrameLight{0x4f, 0x86, 0xc6}; // gradient end
inline const QColor kPage{0xf4, 0xf7, 0xfb};       // page area
inline const QColor kLinkBlue{0x00, 0x33, 0xcc};
inline const QColor kLinkRed{0xe0, 0x10, 0x10};
inline const QColor kText{0x1d, 0x2b, 0x3c};  // body text
inline const QColor kMuted{0x5b, 0x6b, 0x80}; // hints and explanations
inline const QColor kRule{0xc9, 0xd7, 0xea};  // the line under a page heading, dialog edges inside

// The main window: navigation panel on the left, the page area beside it, the tip strip below.
inline constexpr int kWindowWidth = 674;
inline constexpr int kWindowHeight = 511;
inline constexpr int kNavWidth = 116;
inline constexpr int kPageWidth = kWindowWidth - kNavWidth; // 558
inline constexpr int kPageHeight = 478;

// Page layout: every page starts its content at the same place.
inline constexpr int kMargin = 20;        // left and right margin of a page
inline constexpr int kHeadingTop = 14;    // top of the page heading
inline constexpr int kHeadingHeight = 30; // heading text and the rule under it
inline constexpr int kContentTop = 56;    // first row under the heading
inline constexpr int kRowHeight = 24;     // fields, pickers, one-line labels
inline constexpr int kRowGap = 10;        // between rows
inline constexpr int kButtonHeight = 26;  // page buttons
inline constexpr int kButtonWidth = 96;
inline constexpr int kContentWidth = kPageWidth - 2 * kMargin;

// Fusion style with the program's style sheet and palette; call once after the application exists.
void ApplySkin(QApplication& app);

// The 12-pixel 宋体 the dialogs use (falls back to any CJK font present).
QFont SongFont(int pixelSize = 12);
// The font of page headings: one size and weight on every page.
QFont HeadingFont();

// The heading of a page at its fixed place, with a rule under it.
QLabel* PageHeading(QWidget* page, const QString& text);
// A one-line label at (x, y), as wide as its text, one row high.
QLabel* PageLabel(QWidget* parent, const QString& text, int x, int y);
// A greyed explanation line.
QLabel* HintLabel(QWidget* parent, const QString& text, int x, int y);
// A white panel with a rounded edge at geometry, a bold title and a wrapped line of text.
QWidget* Card(QWidget* parent, const QRect& geometry, const QString& title, const QString& text);
// The one button of a page or dialog that does what the user came for: filled in the frame colour.
void MakePrimary(QPushButton* button);
// A button of a page at geometry, named objectName.
QPushButton* PageButton(QWidget* page, const char* objectName, const QString& caption, const QRect& geometry);
// The same with its click going to the page's handler.
template <class Page>
QPushButton* PageButton(Page* page, const char* objectName, const QString& caption, const QRect& geometry,
                        void (Page::*handler)()) {
    QPushButton* button = PageButton(static_cast<QWidget*>(page), objectName, caption, geometry);
    QObject::connect(button, &QPushButton::clicked, page, handler);
    return button;
}
// A visible one-pixel edge around a borderless dialog, kept above its children.
void AddDialogEdge(QWidget* dialog);

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
