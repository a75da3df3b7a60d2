#pragma once
// What a page of the main window may ask of the window that holds it. The main window implements it;
// page tests use a small fake.
#include <QString>
#include <string>

class QWidget;

namespace vh {

class TTimer;

class PageHost {
public:
    virtual ~PageHost() = default;

    // The modal notice (caption, text as GBK); true when the user pressed "确定".
    virtual bool ShowNotice(const std::string& caption, const std::string& text) = 0;
    // Makes the named page the visible page, nothing else.
    virtual void ShowPage(const QString& pageName) = 0;
    // Runs the named page's opening step (filling it from the settings or the database), then shows it.
    virtual void OpenPage(const QString& pageName) = 0;
    // The main window's timers: "tmrTimeRange", "tmrSave", "tmrUpdate", "tmrTips".
    virtual TTimer& Timer(const QString& name) = 0;
    // The main window, as owner for what needs one.
    virtual QWidget* MainWidget() = 0;
};

} // namespace vh
