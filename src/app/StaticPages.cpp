#include "app/StaticPages.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

#include "app/Links.h"
#include "toolkit/Skin.h"

namespace vh::app {

namespace {

QLabel* Heading(const QString& text, QWidget* parent) {
    return skin::PageHeading(parent, text);
}

QLabel* Body(const QString& text, QWidget* parent, int x, int y, int w, int h) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setStyleSheet(QStringLiteral("color: %1;").arg(skin::kText.name()));
    l->setGeometry(x, y, w, h);
    return l;
}

QPushButton* Button(const char* name, const QString& text, QWidget* parent, int x, int y, int w = skin::kButtonWidth) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, y, w, skin::kButtonHeight);
    return b;
}

QWidget* NewPage(vh::Page page) {
    auto* p = new QWidget;
    p->setObjectName(vh::PageName(page));
    return p;
}

} // namespace

QWidget* BuildMainPage(const StaticPageActions& a) {
    QWidget* p = NewPage(vh::Page::Main);
    Heading(QStringLiteral("欢迎使用岚舟记"), p);
    Body(QStringLiteral("岚舟记在后台安静地记下您每天的工作时间花在了哪些程序上。"), p, skin::kMargin,
         skin::kContentTop, skin::kContentWidth, skin::kRowHeight);
    struct Feature {
        QString title;
        QString text;
    };
    const Feature features[] = {
        {QStringLiteral("时间监视"), QStringLiteral("设定每天或仅一次的监视时段和记录间隔，按时记录前台窗口。")},
        {QStringLiteral("工作程序"), QStringLiteral("标记哪些程序属于工作，其余程序出现时提醒您、关闭它或结束它。")},
        {QStringLiteral("时间分析"), QStringLiteral("按程序或窗口标题统计任意时间段，用饼图和列表显示所占比例。")},
        {QStringLiteral("安全"), QStringLiteral("启动、恢复窗口和退出都可以用密码保护。")},
    };
    const int gap = 12;
    const int cardWidth = (skin::kContentWidth - gap) / 2;
    const int cardHeight = 84;
    for (int i = 0; i < 4; ++i) {
        const int x = skin::kMargin + (i % 2) * (cardWidth + gap);
        const int y = skin::kContentTop + 36 + (i / 2) * (cardHeight + gap);
        skin::Card(p, QRect(x, y, cardWidth, cardHeight), features[i].title, features[i].text);
    }
    Body(QStringLiteral("第一次使用时，请点击“使用向导”了解各项设定，或直接点击“开始使用”设定监视时段。"), p,
         skin::kMargin, 300, skin::kContentWidth, 40);
    QPushButton* btn8 = Button("btn8", QStringLiteral("开始使用"), p, skin::kMargin, 348, 120);
    skin::MakePrimary(btn8);
    QPushButton* speedButton3 = Button("SpeedButton3", QStringLiteral("使用向导"), p, skin::kMargin + 132, 348);
    QPushButton* btn25 = Button("btn25", QStringLiteral("更新"), p, skin::kMargin + 240, 348);
    QObject::connect(btn8, &QPushButton::clicked, p, [a] { a.openPage(vh::Page::MonitorSetting); });
    QObject::connect(speedButton3, &QPushButton::clicked, p, [a] { a.openPage(vh::Page::Guide); });
    QObject::connect(btn25, &QPushButton::clicked, p, [a] { a.updateCheck(); });
    return p;
}

QWidget* BuildGuidePage(const StaticPageActions& a) {
    QWidget* p = NewPage(vh::Page::Guide);
    Heading(QStringLiteral("使用向导"), p);
    Body(
        QStringLiteral("1. 在“时间分析设定”中选择每天或仅一次，设定开始和结束时间以及记录间隔（分钟），点击“应用”。\n\n"
                       "2. 点击“工作程序设定”，把属于工作的程序勾选为工作程序，并选择遇到非工作程序时的处理方式。\n\n"
                       "3. 监视时段内，程序每隔记录间隔记下一次前台窗口的标题和进程名。\n\n"
                       "4. 在“时间分析”中选择时间段，按进程或窗口标题查看时间分配。\n\n"
                       "5. 在“软件设定”中可设定开机启动、自动最小化和密码保护；初始密码为 qwhmzt，请尽快修改。\n\n"
                       "关闭或最小化主窗口后，程序在系统托盘中继续运行；双击托盘图标即可恢复。"),
        p, skin::kMargin, skin::kContentTop, skin::kContentWidth, 330);
    QPushButton* btn23 = Button("btn23", QStringLiteral("返回主界面"), p, 231, 400);
    QObject::connect(btn23, &QPushButton::clicked, p, [a] { a.openPage(vh::Page::Main); });
    return p;
}

QWidget* BuildAboutPage(const StaticPageActions& a) {
    QWidget* p = NewPage(vh::Page::About);
    Heading(QStringLiteral("成功资源导航"), p);
    Body(QStringLiteral("岚舟记是一个帮助您管理工作时间的小工具。更多时间管理的方法、文章和交流，"
                        "请访问下面的网页。欢迎提出意见和建议。"),
         p, skin::kMargin, skin::kContentTop, skin::kContentWidth, 60);
    struct Link {
        const char* name;
        QString text;
        const char* url;
        int y;
    };
    const Link links[] = {
        {"lblSite", QStringLiteral("岚舟记主页：软件下载与更新说明"), links::kHomePage, 140},
        {"lblForum", QStringLiteral("时间管理交流论坛"), links::kForum, 175},
        {"lblContact", QStringLiteral("联系作者：意见与建议"), links::kContact, 210},
    };
    for (const Link& l : links) {
        auto* lbl = new skin::HoverLabel(l.text, skin::kLinkBlue, skin::kLinkRed, false, p);
        lbl->setObjectName(QString::fromLatin1(l.name));
        QFont f = lbl->font();
        f.setUnderline(true);
        lbl->setFont(f);
        lbl->setGeometry(40, l.y, 400, 20);
        const char* url = l.url;
        QObject::connect(lbl, &skin::HoverLabel::clicked, p, [a, url] { a.openUrl(url); });
    }
    QPushButton* btn18 = Button("btn18", QStringLiteral("更新"), p, 100, 280);
    QPushButton* btn24 = Button("btn24", QStringLiteral("捐助"), p, 260, 280);
    QObject::connect(btn18, &QPushButton::clicked, p, [a] { a.updateCheck(); });
    QObject::connect(btn24, &QPushButton::clicked, p, [a] { a.openPage(vh::Page::Donation); });
    return p;
}

TDonationPage::TDonationPage(const StaticPageActions& a, QWidget* parent) : QWidget(parent) {
    setObjectName(vh::PageName(vh::Page::Donation));
    views_ = new QStackedWidget(this);
    views_->setGeometry(0, 0, skin::kPageWidth, skin::kPageHeight);

    auto* donate = new QWidget;
    donate->setObjectName(QStringLiteral("pnlDonation"));
    Heading(QStringLiteral("捐助岚舟记"), donate);
    Body(QStringLiteral("岚舟记是免费软件。如果它帮您找回了时间，欢迎捐助，支持我们继续改进。\n\n"
                        "您的每一份支持都会用于软件的维护和新功能的开发。谢谢！"),
         donate, skin::kMargin, skin::kContentTop, skin::kContentWidth, 120);
    QPushButton* btnTransfer = Button("btnTransfer", QStringLiteral("直接汇款"), donate, 100, 220);
    QPushButton* speedButton4 = Button("SpeedButton4", QStringLiteral("返回主界面"), donate, 260, 220);
    connect(btnTransfer, &QPushButton::clicked, this, &TDonationPage::ShowTransferDetails);
    connect(speedButton4, &QPushButton::clicked, this, [a] { a.openPage(vh::Page::Main); });

    auto* transfer = new QWidget;
    transfer->setObjectName(QStringLiteral("pnlTransfer"));
    Heading(QStringLiteral("直接汇款"), transfer);
    Body(QStringLiteral("汇款前请先访问捐助网页，核对最新的收款账户信息；汇款附言中请注明“岚舟记捐助”。\n\n"
                        "如需收据或有其他问题，请通过“成功资源导航”页中的联系方式与作者联系。"),
         transfer, skin::kMargin, skin::kContentTop, skin::kContentWidth, 120);
    auto* lblDonate =
        new skin::HoverLabel(QStringLiteral("打开捐助网页"), skin::kLinkBlue, skin::kLinkRed, false, transfer);
    lblDonate->setObjectName(QStringLiteral("lblDonate"));
    lblDonate->setGeometry(40, 190, 300, 20);
    connect(lblDonate, &skin::HoverLabel::clicked, this, [a] { a.openUrl(links::kDonate); });
    QPushButton* back = Button("btnTransferBack", QStringLiteral("返回主界面"), transfer, 200, 240);
    connect(back, &QPushButton::clicked, this, [a] { a.openPage(vh::Page::Main); });

    views_->addWidget(donate);
    views_->addWidget(transfer);
}

void TDonationPage::ShowDonation() {
    views_->setCurrentIndex(0);
}

void TDonationPage::ShowTransferDetails() {
    views_->setCurrentIndex(1);
}

} // namespace vh::app
