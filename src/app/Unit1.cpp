#include "app/Unit1.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include "app/Links.h"
#include "app/NoticeText.h"
#include "app/StaticPages.h"
#include "app/uInfoFrm.h"
#include "platform/AppPaths.h"
#include "platform/Memory.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "platform/WindowStow.h"
#include "platform/WindowSystem.h"
#include "settings/uLogin.h"
#include "toolkit/AppTermination.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/QtText.h"
#include "toolkit/Skin.h"
#include "toolkit/TrayHost.h"

namespace {

namespace keys = vh::settings::keys;

// The start-up minimise request, posted so that it takes effect once the loop runs.
const QEvent::Type kMinimizeEvent = static_cast<QEvent::Type>(QEvent::User + 20);

class NavPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient g(0, 0, width(), 0);
        g.setColorAt(0, vh::skin::kFrame);
        g.setColorAt(1, vh::skin::kFrameLight);
        p.fillRect(rect(), g);
    }
};

// Drawn for each size a tray may ask for, so a scaled screen gets a sharp picture.
QIcon TrayPicture() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        p.setBrush(vh::skin::kFrame);
        p.setPen(QPen(Qt::white, 2));
        p.drawEllipse(2, 2, 28, 28);
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(16, 16, 16, 8);
        p.drawLine(16, 16, 22, 19);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

// The notice for a desktop that hides other programs' windows: what is wrong, and what the user can do.
QString SightNoticeText(vh::platform::SightRemedy remedy) {
    using vh::platform::SightRemedy;
    switch (remedy) {
    case SightRemedy::LogInAgain:
        return QStringLiteral("岚舟记的GNOME扩展已安装，请注销后重新登录，之后才能记录前台程序。");
    case SightRemedy::EnableExtension:
        return QStringLiteral("岚舟记的GNOME扩展没有启用，记录不到前台程序。现在启用吗？");
    case SightRemedy::UpdateExtension:
        return QStringLiteral("岚舟记的GNOME扩展版本不对，请重新安装岚舟记，然后注销并重新登录。");
    case SightRemedy::InstallExtension:
        return QStringLiteral("没有找到岚舟记的GNOME扩展，请重新安装岚舟记，然后注销并重新登录。");
    case SightRemedy::ExtensionFailed:
        return QStringLiteral("岚舟记的GNOME扩展出错了，时间监视记录不到前台程序。");
    case SightRemedy::None:
        break;
    }
    return QStringLiteral("此桌面不让本程序看到其他程序的窗口，时间监视记录不到前台程序。");
}

} // namespace

TForm1::TForm1()
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("*Varnholt--岚舟记*"));
    setFixedSize(vh::skin::kWindowWidth, vh::skin::kWindowHeight);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(vh::skin::kWindowWidth / 2, vh::skin::kWindowHeight / 2));

    // Created running (update, tips) or stopped (schedule, sampling); start-up adjusts them.
    const std::pair<vh::Timer, bool> timers[] = {
        {vh::Timer::TimeRange, false}, {vh::Timer::Save, false}, {vh::Timer::Update, true}, {vh::Timer::Tips, true}};
    for (const auto& [id, running] : timers) {
        auto* timer = new vh::TTimer(this, id == vh::Timer::TimeRange ? 3000 : 60000, running);
        timer->setObjectName(vh::TimerName(id));
        timers_[static_cast<std::size_t>(id)] = timer;
    }

    pageStack_ = new QStackedWidget(this);
    pageStack_->setObjectName(QStringLiteral("RPCHelp"));
    pageStack_->setGeometry(vh::skin::kNavWidth, 0, vh::skin::kPageWidth, vh::skin::kPageHeight);
    pageStack_->setAutoFillBackground(true);
    for (int i = 0; i < vh::kPageCount; ++i) {
        auto* placeholder = new QWidget;
        placeholder->setObjectName(vh::PageName(static_cast<vh::Page>(i)));
        pageStack_->addWidget(placeholder);
    }

    BuildNavigation();
    BuildStaticPages();
    BuildTray();
    BuildAwayPanel();
    ShowPage(vh::Page::Main);
    settings_.SetSettingsPath(ConfigFilePath());
}

TForm1::~TForm1() {
    // FormDestroy: the dialogs go with the window.
    loginDialog_.reset();
    noticeDialog_.reset();
    if (trayIcon_)
        trayIcon_->hide();
}

void TForm1::BuildNavigation() {
    navPanel_ = new NavPanel(this);
    navPanel_->setObjectName(QStringLiteral("pnlNav"));
    navPanel_->setGeometry(0, 0, vh::skin::kNavWidth, vh::skin::kPageHeight);

    auto* imgLogo =
        new vh::skin::HoverLabel(QStringLiteral("岚舟记"), Qt::white, QColor(0xff, 0xf0, 0xa0), false, navPanel_);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    QFont lf = vh::skin::SongFont(24);
    lf.setBold(true);
    imgLogo->setFont(lf);
    imgLogo->setAlignment(Qt::AlignCenter);
    imgLogo->setGeometry(8, 12, 100, 44);
    imgLogo->setToolTip(QString::fromLatin1(vh::app::links::kHomePage));
    connect(imgLogo, &vh::skin::HoverLabel::clicked, this, [] { vh::platform::OpenUrl(vh::app::links::kHomePage); });

    auto* heading = new QLabel(QStringLiteral("系统功能"), navPanel_);
    heading->setObjectName(QStringLiteral("lblFunctions"));
    QFont hf = vh::skin::SongFont(13);
    hf.setBold(true);
    heading->setFont(hf);
    heading->setStyleSheet(QStringLiteral("color: white;"));
    heading->setGeometry(12, 72, 92, 18);

    BuildSideButtons();
    BuildTipStrip();
}

void TForm1::BuildSideButtons() {
    struct Side {
        const char* name;
        QString caption;
        vh::Page page;
    };
    const Side side[] = {
        {"btn3", QStringLiteral("软件介绍"), vh::Page::Main},
        {"btn6", QStringLiteral("时间分析设定"), vh::Page::MonitorSetting},
        {"btn5", QStringLiteral("时间分析"), vh::Page::Statistic},
        {"btn7", QStringLiteral("软件设定"), vh::Page::SystemSetting},
        {"btn4", QStringLiteral("成功资源导航"), vh::Page::About},
    };
    int y = 98;
    for (const Side& s : side) {
        auto* b = new QPushButton(s.caption, navPanel_);
        b->setObjectName(QString::fromLatin1(s.name));
        b->setGeometry(12, y, 92, 28);
        connect(b, &QPushButton::clicked, this, [this, page = s.page] { OpenPage(page); });
        y += 36;
    }

    auto* donateLink =
        new vh::skin::HoverLabel(QStringLiteral("捐助"), Qt::white, vh::skin::kLinkBlue, true, navPanel_);
    donateLink->setObjectName(QStringLiteral("lbl1"));
    donateLink->setGeometry(20, 300, 30, 18);
    connect(donateLink, &vh::skin::HoverLabel::clicked, this, [this] { OpenPage(vh::Page::Donation); });
    auto* updateLink =
        new vh::skin::HoverLabel(QStringLiteral("更新"), Qt::white, vh::skin::kLinkBlue, true, navPanel_);
    updateLink->setObjectName(QStringLiteral("Label1"));
    updateLink->setGeometry(68, 300, 30, 18);
    connect(updateLink, &vh::skin::HoverLabel::clicked, this, &TForm1::Label1Click);

    auto* donateButton = new QPushButton(QStringLiteral("捐助(谢谢)"), navPanel_);
    donateButton->setObjectName(QStringLiteral("SpeedButton2"));
    donateButton->setGeometry(12, 432, 92, 28);
    connect(donateButton, &QPushButton::clicked, this, [this] { OpenPage(vh::Page::Donation); });
}

void TForm1::BuildTipStrip() {
    auto* strip = new NavPanel(this);
    strip->setObjectName(QStringLiteral("pnlTips"));
    strip->setGeometry(0, vh::skin::kPageHeight, vh::skin::kWindowWidth,
                       vh::skin::kWindowHeight - vh::skin::kPageHeight);
    // The heading: 成功 and 贴士 in two columns, one each side of a small picture.
    auto* tipPicture = new vh::skin::SkinGlyph(this);
    tipPicture->setObjectName(QStringLiteral("imgTips"));
    tipPicture->setGeometry(14, 475, 33, 30);
    const char16_t* tipHeading[4] = {u"成", u"功", u"贴", u"士"};
    for (int i = 0; i < 4; ++i) {
        auto* ch = new QLabel(QString::fromUtf16(tipHeading[i]), this);
        ch->setObjectName(QStringLiteral("lblTipHeading%1").arg(i + 1));
        ch->setFont(vh::skin::SongFont(12));
        ch->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(vh::skin::kLinkRed.name()));
        // Each column is as wide as the strip leaves beside the picture; the glyph is centred in it.
        ch->setAlignment(Qt::AlignCenter);
        ch->setGeometry(i < 2 ? 0 : 47, 477 + (i % 2) * 16, 14, 16);
    }
    tipLine_ = new QLabel(this);
    tipLine_->setObjectName(QStringLiteral("Label9"));
    // Tips are the user's own lines: shown as typed, never read as markup.
    tipLine_->setTextFormat(Qt::PlainText);
    tipLine_->setFont(vh::skin::SongFont(12));
    tipLine_->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    tipLine_->move(88, 485);
    auto* moreTips = new vh::skin::HoverLabel(QStringLiteral("查看更多..."), vh::skin::kLinkRed,
                                              QColor(0xff, 0xf0, 0xa0), false, this);
    moreTips->setObjectName(QStringLiteral("lblMore"));
    moreTips->setGeometry(600, 485, 70, 18);
    connect(moreTips, &vh::skin::HoverLabel::clicked, this, [] { vh::platform::OpenUrl(vh::app::links::kMoreTips); });
}

void TForm1::BuildStaticPages() {
    vh::app::StaticPageActions a;
    a.openPage = [this](vh::Page page) { OpenPage(page); };
    a.updateCheck = [this] { Label1Click(); };
    a.openUrl = [](const char* url) { vh::platform::OpenUrl(url); };
    RegisterPage(vh::Page::Main, vh::app::BuildMainPage(a));
    RegisterPage(vh::Page::Guide, vh::app::BuildGuidePage(a));
    RegisterPage(vh::Page::About, vh::app::BuildAboutPage(a));
    donationPage_ = new vh::app::TDonationPage(a);
    RegisterPage(vh::Page::Donation, donationPage_, [this] { donationPage_->ShowDonation(); });
}

void TForm1::BuildTray() {
    trayMenu_ = new QMenu(this);
    trayMenu_->setObjectName(QStringLiteral("pmTray"));
    restoreAction_ = trayMenu_->addAction(QStringLiteral("显示主界面"));
    restoreAction_->setObjectName(QStringLiteral("N2"));
    monitorSettingAction_ = trayMenu_->addAction(QStringLiteral("监视设定"));
    monitorSettingAction_->setObjectName(QStringLiteral("s1"));
    exitAction_ = trayMenu_->addAction(QStringLiteral("退出系统"));
    exitAction_->setObjectName(QStringLiteral("N1"));
    // Queued: a gate runs a modal loop, which must not nest inside the menu's or the icon's own handling.
    connect(restoreAction_, &QAction::triggered, this, &TForm1::N2Click, Qt::QueuedConnection);
    connect(monitorSettingAction_, &QAction::triggered, this, &TForm1::s1Click, Qt::QueuedConnection);
    connect(exitAction_, &QAction::triggered, this, &TForm1::N1Click, Qt::QueuedConnection);

    trayIcon_ = new QSystemTrayIcon(TrayPicture(), this);
    trayIcon_->setObjectName(QStringLiteral("TrayIcon1"));
    trayIcon_->setToolTip(QStringLiteral("Varnholt"));
    trayIcon_->setContextMenu(trayMenu_);
    connect(
        trayIcon_, &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason r) { OnTrayActivated(r); }, Qt::QueuedConnection);
    trayIcon_->show();
}

void TForm1::OnTrayActivated(int reason) {
    // A double click restores; where the host never reports one, its click is the only way to ask.
    const bool restore = reason == QSystemTrayIcon::DoubleClick ||
                         (reason == QSystemTrayIcon::Trigger && !vh::TheTrayHost().ReportsDoubleClick());
    if (restore)
        N2Click();
}

void TForm1::BuildAwayPanel() {
    // Without a tray the window waits iconified in the taskbar; when it is brought back this panel covers
    // the pages and offers the tray menu's commands, each behind its own gate.
    awayPanel_ = new QWidget(this);
    awayPanel_->setObjectName(QStringLiteral("pnlAway"));
    awayPanel_->setGeometry(pageStack_->geometry());
    awayPanel_->setAutoFillBackground(true);
    auto* note = new QLabel(QStringLiteral("没有找到系统托盘，岚舟记最小化到任务栏。"), awayPanel_);
    note->setObjectName(QStringLiteral("lblNoTray"));
    note->setFont(vh::skin::SongFont(14));
    note->setAlignment(Qt::AlignCenter);
    note->setGeometry(0, 170, awayPanel_->width(), 24);
    int x = (awayPanel_->width() - 3 * 110 + 20) / 2;
    for (QAction* item : {restoreAction_, monitorSettingAction_, exitAction_}) {
        auto* b = new QPushButton(item->text(), awayPanel_);
        b->setObjectName(QStringLiteral("btnAway") + item->objectName());
        b->setGeometry(x, 214, 90, 28);
        connect(b, &QPushButton::clicked, item, &QAction::trigger);
        x += 110;
    }
    awayPanel_->hide();
}

void TForm1::FormCreate(const vh::app::StartupData& data) {
    settings_.SetSettingsPath(ConfigFilePath());
    vh::app::RunStartup(data, *this);
}

void TForm1::CreateDialogs() {
    if (!loginDialog_) {
        loginDialog_ = std::make_unique<TFrmLogin>();
        loginDialog_->SetCentreOn(this);
    }
    if (!noticeDialog_)
        noticeDialog_ = std::make_unique<TFrmInfo>();
}

bool TForm1::AskStartPassword() {
    CreateDialogs();
    loginDialog_->SetLoginState(TFrmLogin::StartupOrAccepted);
    loginDialog_->exec();
    return loginDialog_->GetLoginState() != TFrmLogin::ExitChosen;
}

bool TForm1::Ask(const std::string& caption, const std::string& text) {
    return ShowNotice(vh::FromGbk(caption), vh::FromGbk(text));
}

void TForm1::StartScheduleTimer() {
    TimerOf(vh::Timer::TimeRange).Start();
}

void TForm1::ShowMainPage() {
    ShowPage(vh::Page::Main);
}

void TForm1::MinimizeWhenRunning() {
    minimizePending_ = true;
    QCoreApplication::postEvent(this, new QEvent(kMinimizeEvent));
}

void TForm1::EnableUpdateTimer(bool enabled) {
    TimerOf(vh::Timer::Update).SetEnabled(enabled);
}

void TForm1::SetTipsInterval(int ms) {
    TimerOf(vh::Timer::Tips).SetInterval(ms);
}

void TForm1::ReportError(const std::string& text) {
    vh::ShowApplicationError(text);
}

void TForm1::Terminate() {
    vh::TerminateApplication();
}

bool TForm1::Terminated() const {
    return vh::ApplicationTerminated();
}

void TForm1::ShowAtStart() {
    // A window on its way to the tray or the taskbar is not shown first.
    if (!inTray_ && !minimizePending_)
        show();
}

void TForm1::NoticeWindowSight() {
    vh::platform::WindowSight sight;
    try {
        sight = vh::platform::TheWindowSystem().Sight();
    } catch (const std::exception&) {
        return; // no display yet: the sampler meets that on its own
    }
    if (sight.othersVisible)
        return;
    const bool agreed = ShowNotice(QStringLiteral("注意哦"), SightNoticeText(sight.remedy));
    if (agreed && sight.remedy == vh::platform::SightRemedy::EnableExtension) {
        try {
            // Whether it worked shows at the next tick: the sampler then sees the windows, or not.
            (void)vh::platform::TheWindowSystem().EnableSight();
        } catch (const std::exception&) {
            // The session bus went away meanwhile: nothing to switch on.
        }
    }
}

bool TForm1::ShowNotice(const QString& caption, const QString& text) {
    CreateDialogs();
    if (noticeDialog_->isVisible() || vh::ApplicationTerminated())
        return false;
    noticeDialog_->SetTexts(vh::ToGbk(caption), vh::app::BreakNoticeText(vh::ToGbk(text)));
    noticeDialog_->exec();
    return noticeDialog_->Result();
}

void TForm1::ShowPage(vh::Page page) {
    pageStack_->setCurrentIndex(static_cast<int>(page));
}

void TForm1::OpenPage(vh::Page page) {
    vh::RunGuarded([&] {
        if (const auto& prepare = prepare_[static_cast<std::size_t>(page)])
            prepare();
        ShowPage(page);
    });
}

vh::TTimer& TForm1::TimerOf(vh::Timer timer) {
    return *timers_[static_cast<std::size_t>(timer)];
}

void TForm1::RegisterPage(vh::Page page, QWidget* widget, std::function<void()> prepare) {
    const int i = static_cast<int>(page);
    widget->setObjectName(vh::PageName(page));
    QWidget* old = pageStack_->widget(i);
    if (old != widget) {
        const bool wasCurrent = pageStack_->currentIndex() == i;
        pageStack_->insertWidget(i, widget);
        pageStack_->removeWidget(old);
        old->deleteLater();
        if (wasCurrent)
            pageStack_->setCurrentIndex(i);
    }
    prepare_[static_cast<std::size_t>(i)] = std::move(prepare);
}

QWidget* TForm1::PageWidget(vh::Page page) const {
    return pageStack_->widget(static_cast<int>(page));
}

vh::Page TForm1::CurrentPage() const {
    return static_cast<vh::Page>(pageStack_->currentIndex());
}

void TForm1::SetTipText(const std::string& gbk) {
    tipLine_->setText(vh::FromGbk(gbk));
    // The line grows to the right with its text.
    tipLine_->adjustSize();
}

void TForm1::MinimizeToTray() {
    inTray_ = true;
    if (vh::TheTrayHost().Available()) {
        // Hidden, not only minimised: a hidden window has no taskbar button; the tray icon stays. The
        // minimised state is cleared only when restoring: clearing it here would map the window again.
        awayPanel_->hide();
        hide();
    } else {
        // Hidden without a tray there would be no way back: keep the taskbar button, cover the pages.
        awayPanel_->show();
        awayPanel_->raise();
        if (!isVisible() || !windowHandle() || !windowHandle()->isExposed()) {
            // A window manager ignores an iconify request for a window it does not manage yet, and Qt
            // loses track of a window mapped iconified: show it, iconify it once it is on the screen.
            iconifyOnExpose_ = true;
            show();
            windowHandle()->installEventFilter(this);
        } else {
            PutAwayWithoutTray();
        }
    }
    // The program waits in the tray for hours: once the hidden window's resources are released, give
    // back the pages start-up and the pages touched, as Windows does for a minimised program.
    QTimer::singleShot(1000, this, [this] {
        if (inTray_)
            vh::platform::TrimWorkingSet();
    });
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
    if (iconifyOnExpose_ && watched == windowHandle() && e->type() == QEvent::Expose && windowHandle()->isExposed()) {
        iconifyOnExpose_ = false;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (inTray_)
                    PutAwayWithoutTray();
            },
            Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, e);
}

void TForm1::PutAwayWithoutTray() {
    // Either way the user's window gets the front back, so the first sample is never this window.
    if (vh::platform::DesktopStowsWindows())
        StowWhenManaged(100);
    else
        setWindowState(windowState() | Qt::WindowMinimized);
}

void TForm1::StowWhenManaged(int triesLeft) {
    // sway takes an X11 window into its tree a moment after the window is on the X server's screen.
    if (!inTray_ || vh::platform::StowOwnWindow(winId()))
        return;
    if (triesLeft <= 0)
        setWindowState(windowState() | Qt::WindowMinimized);
    else
        QTimer::singleShot(50, this, [this, triesLeft] { StowWhenManaged(triesLeft - 1); });
}

void TForm1::RestoreFromTray() {
    inTray_ = false;
    iconifyOnExpose_ = false;
    awayPanel_->hide();
    if (windowHandle())
        vh::platform::UnstowOwnWindow(winId());
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

bool TForm1::PassGate(bool bringToFront) {
    CreateDialogs();
    loginDialog_->SetLoginState(TFrmLogin::Gate);
    if (bringToFront) {
        loginDialog_->raise();
        loginDialog_->activateWindow();
    }
    loginDialog_->exec();
    return loginDialog_->GetLoginState() == TFrmLogin::StartupOrAccepted;
}

TForm1::TrayGateResult TForm1::TrayGate(const vh::settings::keys::FlagKey& passwordFlag, bool bringToFront) {
    if (loginDialog_ && loginDialog_->isVisible())
        return TrayGateResult::LoginOpen;
    if (settings_.ReadFlag(passwordFlag) && !PassGate(bringToFront))
        return TrayGateResult::Refused;
    return TrayGateResult::Passed;
}

void TForm1::N2Click() {
    vh::RunGuarded([this] {
        if (TrayGate(keys::RestorePasswd, true) != TrayGateResult::Passed)
            return;
        RestoreFromTray();
        ShowPage(vh::Page::Main);
    });
}

void TForm1::s1Click() {
    vh::RunGuarded([this] {
        if (TrayGate(keys::RestorePasswd, false) != TrayGateResult::Passed)
            return;
        RestoreFromTray();
        OpenPage(vh::Page::MonitorSetting);
    });
}

void TForm1::N1Click() {
    vh::RunGuarded([this] {
        switch (TrayGate(keys::ExitPasswd, true)) {
        case TrayGateResult::LoginOpen:
            return;
        case TrayGateResult::Refused:
            ShowNotice(QStringLiteral("信息"), QStringLiteral("您输入的密码不正确，系统无法退出。"));
            return;
        case TrayGateResult::Passed:
            break;
        }
        Terminate();
    });
}

void TForm1::Label1Click() {
    if (updateCheck_)
        vh::RunGuarded(updateCheck_);
}

bool TForm1::event(QEvent* e) {
    if (e->type() == kMinimizeEvent) {
        minimizePending_ = false;
        MinimizeToTray();
        return true;
    }
    return QWidget::event(e);
}

void TForm1::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() != QEvent::WindowStateChange)
        return;
    const bool minimized = windowState() & Qt::WindowMinimized;
    if (minimized && !inTray_) {
        // Leave the state change handler before hiding; some window managers dislike a hide inside it.
        QMetaObject::invokeMethod(this, &TForm1::MinimizeToTray, Qt::QueuedConnection);
    } else if (!minimized && inTray_ && awayPanel_->isVisible() &&
               (static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized)) {
        // Brought back from the taskbar: the same restore gate as the tray's, before any page shows.
        QMetaObject::invokeMethod(this, &TForm1::N2Click, Qt::QueuedConnection);
    }
}

void TForm1::closeEvent(QCloseEvent* e) {
    // FormClose: closing never ends the program; the window goes to the tray.
    if (vh::ApplicationTerminated()) {
        e->accept();
        return;
    }
    e->ignore();
    MinimizeToTray();
}
