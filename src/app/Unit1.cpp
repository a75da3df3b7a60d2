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
#include <stdexcept>

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
#include "update/Tips.h"

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

const char* const TForm1::kPageNames[10] = {
    "RTSAbout",        "RTSGuide",     "RTSTabMonitorCaption", "RTSTSMain",  "RTSTSStatistic",
    "RTSTSSysSetting", "RTSTabSheet3", "RTSTabSheet4",         "RTSWorkSet", "RTSTabSheet6",
};

TForm1::TForm1()
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("*Varnholt--岚舟记*"));
    setFixedSize(vh::skin::kWindowWidth, vh::skin::kWindowHeight);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(vh::skin::kWindowWidth / 2, vh::skin::kWindowHeight / 2));

    // Created running (update, tips) or stopped (schedule, sampling); start-up adjusts them.
    tmrTimeRange = new vh::TTimer(this, 3000, false);
    tmrSave = new vh::TTimer(this, 60000, false);
    tmrUpdate = new vh::TTimer(this, 60000, true);
    tmrTips = new vh::TTimer(this, 60000, true);
    tmrTimeRange->setObjectName(QStringLiteral("tmrTimeRange"));
    tmrSave->setObjectName(QStringLiteral("tmrSave"));
    tmrUpdate->setObjectName(QStringLiteral("tmrUpdate"));
    tmrTips->setObjectName(QStringLiteral("tmrTips"));
    timers_ = {{QStringLiteral("tmrTimeRange"), tmrTimeRange},
               {QStringLiteral("tmrSave"), tmrSave},
               {QStringLiteral("tmrUpdate"), tmrUpdate},
               {QStringLiteral("tmrTips"), tmrTips}};

    RPCHelp = new QStackedWidget(this);
    RPCHelp->setObjectName(QStringLiteral("RPCHelp"));
    RPCHelp->setGeometry(vh::skin::kNavWidth, 0, vh::skin::kPageWidth, vh::skin::kPageHeight);
    RPCHelp->setAutoFillBackground(true);
    for (const char* name : kPageNames) {
        auto* placeholder = new QWidget;
        placeholder->setObjectName(QString::fromLatin1(name));
        RPCHelp->addWidget(placeholder);
    }

    BuildNavigation();
    BuildStaticPages();
    BuildTray();
    BuildAwayPanel();
    ShowPage(QStringLiteral("RTSTSMain"));
    rzIniInfo.SetSettingsPath(ConfigFilePath());
}

TForm1::~TForm1() {
    // FormDestroy: the dialogs go with the window.
    FrmLogin.reset();
    FrmInfo.reset();
    if (trayIcon)
        trayIcon->hide();
}

void TForm1::BuildNavigation() {
    pnlNav = new NavPanel(this);
    pnlNav->setObjectName(QStringLiteral("pnlNav"));
    pnlNav->setGeometry(0, 0, vh::skin::kNavWidth, vh::skin::kPageHeight);

    auto* imgLogo =
        new vh::skin::HoverLabel(QStringLiteral("岚舟记"), Qt::white, QColor(0xff, 0xf0, 0xa0), false, pnlNav);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    QFont lf = vh::skin::SongFont(24);
    lf.setBold(true);
    imgLogo->setFont(lf);
    imgLogo->setAlignment(Qt::AlignCenter);
    imgLogo->setGeometry(8, 12, 100, 44);
    imgLogo->setToolTip(QString::fromLatin1(vh::app::links::kHomePage));
    connect(imgLogo, &vh::skin::HoverLabel::clicked, this, [] { vh::platform::OpenUrl(vh::app::links::kHomePage); });

    auto* heading = new QLabel(QStringLiteral("系统功能"), pnlNav);
    heading->setObjectName(QStringLiteral("lblFunctions"));
    QFont hf = vh::skin::SongFont(13);
    hf.setBold(true);
    heading->setFont(hf);
    heading->setStyleSheet(QStringLiteral("color: white;"));
    heading->setGeometry(12, 72, 92, 18);

    struct Side {
        const char* name;
        QString caption;
        const char* page;
    };
    const Side side[] = {
        {"btn3", QStringLiteral("软件介绍"), "RTSTSMain"},
        {"btn6", QStringLiteral("时间分析设定"), "RTSTabMonitorCaption"},
        {"btn5", QStringLiteral("时间分析"), "RTSTSStatistic"},
        {"btn7", QStringLiteral("软件设定"), "RTSTSSysSetting"},
        {"btn4", QStringLiteral("成功资源导航"), "RTSAbout"},
    };
    int y = 98;
    for (const Side& s : side) {
        auto* b = new QPushButton(s.caption, pnlNav);
        b->setObjectName(QString::fromLatin1(s.name));
        b->setGeometry(12, y, 92, 28);
        const QString page = QString::fromLatin1(s.page);
        connect(b, &QPushButton::clicked, this, [this, page] { OpenPage(page); });
        y += 36;
    }

    lbl1 = new vh::skin::HoverLabel(QStringLiteral("捐助"), Qt::white, vh::skin::kLinkBlue, true, pnlNav);
    lbl1->setObjectName(QStringLiteral("lbl1"));
    lbl1->setGeometry(20, 300, 30, 18);
    connect(lbl1, &vh::skin::HoverLabel::clicked, this, [this] { OpenPage(QStringLiteral("RTSTabSheet4")); });
    Label1 = new vh::skin::HoverLabel(QStringLiteral("更新"), Qt::white, vh::skin::kLinkBlue, true, pnlNav);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(68, 300, 30, 18);
    connect(Label1, &vh::skin::HoverLabel::clicked, this, &TForm1::Label1Click);

    auto* speedButton2 = new QPushButton(QStringLiteral("捐助(谢谢)"), pnlNav);
    speedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    speedButton2->setGeometry(12, 432, 92, 28);
    connect(speedButton2, &QPushButton::clicked, this, [this] { OpenPage(QStringLiteral("RTSTabSheet4")); });

    // The tip strip along the bottom.
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
    Label9 = new QLabel(this);
    Label9->setObjectName(QStringLiteral("Label9"));
    // Tips are the user's own lines: shown as typed, never read as markup.
    Label9->setTextFormat(Qt::PlainText);
    Label9->setFont(vh::skin::SongFont(12));
    Label9->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    Label9->move(88, 485);
    lblMore = new vh::skin::HoverLabel(QStringLiteral("查看更多..."), vh::skin::kLinkRed, QColor(0xff, 0xf0, 0xa0),
                                       false, this);
    lblMore->setObjectName(QStringLiteral("lblMore"));
    lblMore->setGeometry(600, 485, 70, 18);
    connect(lblMore, &vh::skin::HoverLabel::clicked, this, [] { vh::platform::OpenUrl(vh::app::links::kMoreTips); });
}

void TForm1::BuildStaticPages() {
    vh::app::StaticPageActions a;
    a.openPage = [this](const QString& name) { OpenPage(name); };
    a.updateCheck = [this] { Label1Click(); };
    a.openUrl = [](const char* url) { vh::platform::OpenUrl(url); };
    RegisterPage(vh::app::BuildMainPage(a));
    RegisterPage(vh::app::BuildGuidePage(a));
    RegisterPage(vh::app::BuildAboutPage(a));
    donation_ = new vh::app::TDonationPage(a);
    RegisterPage(donation_, [this] { donation_->ShowDonation(); });
}

void TForm1::BuildTray() {
    pmTray = new QMenu(this);
    pmTray->setObjectName(QStringLiteral("pmTray"));
    N2 = pmTray->addAction(QStringLiteral("显示主界面"));
    N2->setObjectName(QStringLiteral("N2"));
    s1 = pmTray->addAction(QStringLiteral("监视设定"));
    s1->setObjectName(QStringLiteral("s1"));
    N1 = pmTray->addAction(QStringLiteral("退出系统"));
    N1->setObjectName(QStringLiteral("N1"));
    // Queued: a gate runs a modal loop, which must not nest inside the menu's or the icon's own handling.
    connect(N2, &QAction::triggered, this, &TForm1::N2Click, Qt::QueuedConnection);
    connect(s1, &QAction::triggered, this, &TForm1::s1Click, Qt::QueuedConnection);
    connect(N1, &QAction::triggered, this, &TForm1::N1Click, Qt::QueuedConnection);

    trayIcon = new QSystemTrayIcon(TrayPicture(), this);
    trayIcon->setObjectName(QStringLiteral("TrayIcon1"));
    trayIcon->setToolTip(QStringLiteral("Varnholt"));
    trayIcon->setContextMenu(pmTray);
    connect(
        trayIcon, &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason r) { OnTrayActivated(r); }, Qt::QueuedConnection);
    trayIcon->show();
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
    pnlAway = new QWidget(this);
    pnlAway->setObjectName(QStringLiteral("pnlAway"));
    pnlAway->setGeometry(RPCHelp->geometry());
    pnlAway->setAutoFillBackground(true);
    auto* note = new QLabel(QStringLiteral("没有找到系统托盘，岚舟记最小化到任务栏。"), pnlAway);
    note->setObjectName(QStringLiteral("lblNoTray"));
    note->setFont(vh::skin::SongFont(14));
    note->setAlignment(Qt::AlignCenter);
    note->setGeometry(0, 170, pnlAway->width(), 24);
    int x = (pnlAway->width() - 3 * 110 + 20) / 2;
    for (QAction* item : {N2, s1, N1}) {
        auto* b = new QPushButton(item->text(), pnlAway);
        b->setObjectName(QStringLiteral("btnAway") + item->objectName());
        b->setGeometry(x, 214, 90, 28);
        connect(b, &QPushButton::clicked, item, &QAction::trigger);
        x += 110;
    }
    pnlAway->hide();
}

void TForm1::EnsureLogin() {
    if (!FrmLogin) {
        FrmLogin = std::make_unique<TFrmLogin>();
        FrmLogin->SetCentreOn(this);
    }
}

void TForm1::EnsureInfo() {
    if (!FrmInfo)
        FrmInfo = std::make_unique<TFrmInfo>();
}

void TForm1::FormCreate() {
    rzIniInfo.SetSettingsPath(ConfigFilePath());
    vh::RunGuarded([this] {
        // 1, 2
        if (hooks.ResetTips)
            hooks.ResetTips();
        if (hooks.LoadSchedule)
            hooks.LoadSchedule();
        // 3, 4
        const bool startPasswd = rzIniInfo.ReadFlag(keys::StartPasswd);
        EnsureLogin();
        EnsureInfo();
        // 5
        if (startPasswd) {
            FrmLogin->SetLoginState(TFrmLogin::StartupOrAccepted);
            FrmLogin->exec();
            if (FrmLogin->GetLoginState() == TFrmLogin::ExitChosen)
                Terminate();
        }
        // 6. After an exit at the login the task question is not asked: a refusal would cancel the
        // stored schedule although the user never answered it.
        if (!vh::ApplicationTerminated() && hooks.StartupTask) {
            switch (hooks.StartupTask()) {
            case TStartupTask::StartTimer:
                tmrTimeRange->Start();
                break;
            case TStartupTask::Ask:
                if (ShowNotice(
                        QStringLiteral("信息"),
                        QStringLiteral("根据设定，您已经设定了要进行时间监视任务，以便分析，现在运行此任务么？")))
                    tmrTimeRange->Start();
                else if (!vh::ApplicationTerminated() && hooks.DeclineStartupTask)
                    hooks.DeclineStartupTask();
                break;
            case TStartupTask::Nothing:
                break;
            }
        }
        // 7, 8
        ShowPage(QStringLiteral("RTSTSMain"));
        if (rzIniInfo.ReadFlag(keys::AutoMinimize)) {
            minimizePending_ = true;
            QCoreApplication::postEvent(this, new QEvent(kMinimizeEvent));
        }
        // 9, 10, 11. A settings file that refuses the version (read-only) is reported, and the timers are
        // still set from it.
        try {
            rzIniInfo.WriteText(keys::Version, "1.2");
        } catch (const std::exception& e) {
            vh::ShowApplicationError(e.what());
        }
        if (hooks.SetApplicationDir)
            hooks.SetApplicationDir(vh::platform::ExecutableDir());
        tmrUpdate->SetEnabled(rzIniInfo.ReadFlag(keys::AutoUpdate));
        // 12, 13
        if (hooks.LoadTips)
            hooks.LoadTips();
        tmrTips->SetInterval(TipIntervalMs(rzIniInfo.ReadNumber(keys::TipInterval)));
    });
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
            vh::platform::TheWindowSystem().EnableSight();
        } catch (const std::exception&) {
            // The session bus went away meanwhile: nothing to switch on.
        }
    }
}

bool TForm1::ShowNotice(const QString& caption, const QString& text) {
    EnsureInfo();
    if (FrmInfo->isVisible() || vh::ApplicationTerminated())
        return false;
    FrmInfo->SetTexts(vh::ToGbk(caption), vh::app::BreakNoticeText(vh::ToGbk(text)));
    FrmInfo->exec();
    return FrmInfo->Result();
}

int TForm1::PageIndex(const QString& name) const {
    for (int i = 0; i < RPCHelp->count(); ++i)
        if (RPCHelp->widget(i)->objectName() == name)
            return i;
    return -1;
}

void TForm1::ShowPage(const QString& pageName) {
    const int i = PageIndex(pageName);
    if (i >= 0)
        RPCHelp->setCurrentIndex(i);
}

void TForm1::OpenPage(const QString& pageName) {
    vh::RunGuarded([&] {
        auto it = prepare_.find(pageName);
        if (it != prepare_.end() && it->second)
            it->second();
        ShowPage(pageName);
    });
}

vh::TTimer& TForm1::Timer(const QString& name) {
    auto it = timers_.find(name);
    if (it == timers_.end())
        throw std::invalid_argument("no timer " + name.toStdString());
    return *it->second;
}

bool TForm1::RegisterPage(QWidget* page, std::function<void()> prepare) {
    if (!page)
        return false;
    const QString name = page->objectName();
    const int i = PageIndex(name);
    if (i < 0)
        return false;
    QWidget* old = RPCHelp->widget(i);
    if (old != page) {
        const bool wasCurrent = RPCHelp->currentIndex() == i;
        RPCHelp->insertWidget(i, page);
        RPCHelp->removeWidget(old);
        old->deleteLater();
        if (wasCurrent)
            RPCHelp->setCurrentIndex(i);
    }
    prepare_[name] = std::move(prepare);
    return true;
}

QWidget* TForm1::Page(const QString& pageName) const {
    const int i = PageIndex(pageName);
    return i < 0 ? nullptr : RPCHelp->widget(i);
}

QString TForm1::CurrentPageName() const {
    QWidget* w = RPCHelp->currentWidget();
    return w ? w->objectName() : QString();
}

void TForm1::SetTipText(const std::string& gbk) {
    Label9->setText(vh::FromGbk(gbk));
    // The line grows to the right with its text.
    Label9->adjustSize();
}

void TForm1::MinimizeToTray() {
    inTray_ = true;
    if (vh::TheTrayHost().Available()) {
        // Hidden, not only minimised: a hidden window has no taskbar button; the tray icon stays. The
        // minimised state is cleared only when restoring: clearing it here would map the window again.
        pnlAway->hide();
        hide();
    } else {
        // Hidden without a tray there would be no way back: keep the taskbar button, cover the pages.
        pnlAway->show();
        pnlAway->raise();
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
    pnlAway->hide();
    if (windowHandle())
        vh::platform::UnstowOwnWindow(winId());
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm1::Terminate() {
    vh::TerminateApplication();
}

bool TForm1::PassGate(bool bringToFront) {
    EnsureLogin();
    FrmLogin->SetLoginState(TFrmLogin::Gate);
    if (bringToFront) {
        FrmLogin->raise();
        FrmLogin->activateWindow();
    }
    FrmLogin->exec();
    return FrmLogin->GetLoginState() == TFrmLogin::StartupOrAccepted;
}

TForm1::TrayGateResult TForm1::TrayGate(const vh::settings::keys::FlagKey& passwordFlag, bool bringToFront) {
    if (FrmLogin && FrmLogin->isVisible())
        return TrayGateResult::LoginOpen;
    if (rzIniInfo.ReadFlag(passwordFlag) && !PassGate(bringToFront))
        return TrayGateResult::Refused;
    return TrayGateResult::Passed;
}

void TForm1::N2Click() {
    vh::RunGuarded([this] {
        if (TrayGate(keys::RestorePasswd, true) != TrayGateResult::Passed)
            return;
        RestoreFromTray();
        ShowPage(QStringLiteral("RTSTSMain"));
    });
}

void TForm1::s1Click() {
    vh::RunGuarded([this] {
        if (TrayGate(keys::RestorePasswd, false) != TrayGateResult::Passed)
            return;
        RestoreFromTray();
        OpenPage(QStringLiteral("RTSTabMonitorCaption"));
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
    if (hooks.UpdateCheck)
        vh::RunGuarded(hooks.UpdateCheck);
}

void TForm1::DealWithUnwork() {
    if (hooks.DealWithUnwork)
        vh::RunGuarded(hooks.DealWithUnwork);
}

bool TForm1::event(QEvent* e) {
    if (e->type() == static_cast<QEvent::Type>(kUnworkEvent)) {
        DealWithUnwork();
        return true;
    }
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
    } else if (!minimized && inTray_ && pnlAway->isVisible() &&
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
