#pragma once
// The pages with fixed content: the main page, the usage guide, the resources page and the donation page
// (with its transfer details). They only switch pages, start the update check and open web addresses.
#include <QString>
#include <QWidget>
#include <functional>

#include "toolkit/PageHost.h"

class QStackedWidget;

namespace vh::app {

struct StaticPageActions {
    std::function<void(vh::Page)> openPage;   // runs the page's preparation, then shows it
    std::function<void()> updateCheck;        // the "更新" buttons
    std::function<void(const char*)> openUrl; // the links
};

// RTSTSMain: btn8 "开始使用", SpeedButton3 "使用向导", btn25 "更新".
QWidget* BuildMainPage(const StaticPageActions& a);
// RTSGuide: btn23 "返回主界面".
QWidget* BuildGuidePage(const StaticPageActions& a);
// RTSAbout: the link labels lblSite, lblForum, lblContact; btn18 "更新", btn24 "捐助".
QWidget* BuildAboutPage(const StaticPageActions& a);

// RTSTabSheet4: the donation text with btnTransfer "直接汇款" and SpeedButton4 "返回主界面"; behind it the
// transfer details with btnTransferBack "返回主界面".
class TDonationPage : public QWidget {
    Q_OBJECT
public:
    explicit TDonationPage(const StaticPageActions& a, QWidget* parent = nullptr);
    // Every opening starts on the donation text.
    void ShowDonation();
    void ShowTransferDetails();

private:
    QStackedWidget* views_;
};

} // namespace vh::app
