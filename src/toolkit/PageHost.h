#pragma once
// What a page of the main window may ask of the window that holds it. The main window implements it;
// page tests use a small fake.
#include <QString>
#include <string>

#include "toolkit/QtText.h"

class QWidget;

namespace vh {

class TTimer;

class PageHost {
public:
    virtual ~PageHost() = default;

    // The modal notice; true when the user pressed "确定". The host converts to GBK, where the notice's
    // byte rules apply.
    virtual bool ShowNotice(const QString& caption, const QString& text) = 0;
    // The same for texts the logic made (GBK).
    bool ShowNotice(const std::string& caption, const std::string& text) {
        return ShowNotice(FromGbk(caption), FromGbk(text));
    }
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
