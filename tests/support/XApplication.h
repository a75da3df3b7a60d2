#pragma once
// The QApplication of a test whose windows are X11 clients through XWayland, as the program's own windows are
// on a Wayland session.
#include <QApplication>
#include <cstdlib>
#include <string>

namespace vh::test {

inline QApplication* NewXApplication(const std::string& display) {
    setenv("DISPLAY", display.c_str(), 1);
    qputenv("QT_QPA_PLATFORM", "xcb");
    static int argc = 1;
    static char arg0[] = "test";
    static char* argv[] = {arg0, nullptr};
    auto* app = new QApplication(argc, argv);
    // Tests close windows and run event loops afterwards.
    QApplication::setQuitOnLastWindowClosed(false);
    return app;
}

} // namespace vh::test
