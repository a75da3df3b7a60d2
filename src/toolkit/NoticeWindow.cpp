#include "toolkit/NoticeWindow.h"

#include <QGuiApplication>
#include <QWidget>

#include "toolkit/Skin.h"

namespace vh {

void MakeNoticeWindow(QWidget* w) {
    w->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // Qt writes the window type only onto a native window that exists; one set earlier is not applied.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        w->winId();
    // First in the type list, before the utility type Qt adds for a tool window.
    w->setAttribute(Qt::WA_X11NetWmWindowTypeNotification);
    // Without a frame from the window manager the dialog needs an edge of its own against the page behind.
    skin::AddDialogEdge(w);
}

} // namespace vh
