#pragma once
// A page host for page tests: records notices and page switches, answers notices as told.
#include <QString>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/PageHost.h"
#include "toolkit/TTimer.h"

namespace vh::test {

class FakePageHost : public PageHost {
public:
    struct Notice {
        std::string caption; // GBK
        std::string text;    // GBK
    };

    using PageHost::ShowNotice;
    bool ShowNotice(const QString& caption, const QString& text) override {
        notices.push_back({ToGbk(caption), ToGbk(text)});
        return answer;
    }
    void ShowPage(const QString& pageName) override { shownPages.push_back(pageName); }
    void OpenPage(const QString& pageName) override { openedPages.push_back(pageName); }
    TTimer& Timer(const QString& name) override {
        auto& t = timers[name];
        if (!t)
            t = std::make_unique<TTimer>();
        return *t;
    }
    QWidget* MainWidget() override { return &main; }

    bool answer = true;
    std::vector<Notice> notices;
    std::vector<QString> shownPages;
    std::vector<QString> openedPages;
    std::map<QString, std::unique_ptr<TTimer>> timers;
    QWidget main;
};

} // namespace vh::test
