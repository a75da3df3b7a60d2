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
    void ShowPage(Page page) override { shownPages.push_back(page); }
    void OpenPage(Page page) override { openedPages.push_back(page); }
    TTimer& TimerOf(Timer timer) override {
        auto& t = timers[timer];
        if (!t)
            t = std::make_unique<TTimer>();
        return *t;
    }
    QWidget* MainWidget() override { return &main; }

    bool answer = true;
    std::vector<Notice> notices;
    std::vector<Page> shownPages;
    std::vector<Page> openedPages;
    std::map<Timer, std::unique_ptr<TTimer>> timers;
    QWidget main;
};

} // namespace vh::test
