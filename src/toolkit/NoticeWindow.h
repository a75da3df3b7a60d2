#pragma once
// The program's own small borderless dialogs (notices, login, reminder text, add dialog) as windows.
class QWidget;

namespace vh {

// Makes w a frameless tool window kept on top that says what it is: a notice, not an application window.
// The sampler passes such windows over: on Windows they are popups without minimise box and system menu,
// on X11 their window type is a notification. Call in the constructor, before the first show.
void MakeNoticeWindow(QWidget* w);

} // namespace vh
