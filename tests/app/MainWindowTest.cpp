// The main window: pages and navigation, tray gates, start-up steps, timers.
#include <QAction>
#include <QCloseEvent>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <csignal>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>

#include "ShellTestSupport.h"
#include "app/NoticeText.h"
#include "app/Unit1.h"
#include "app/uInfoFrm.h"
#include "monitor/Schedule.h"
#include "settings/uLogin.h"
#include "support/ModalAnswerer.h"
#include "support/TestClock.h"
#include "toolkit/Skin.h"
#include "update/Tips.h"

using namespace vh::test;

namespace {

class MainWindowTest : public ShellTest {};

void AnswerLogin(const char* typed) {
    const QString text = QString::fromUtf8(typed);
    AnswerNextModal([text](QWidget* w) {
        auto* login = qobject_cast<TFrmLogin*>(w);
        if (!login) {
            ADD_FAILURE() << "expected the login dialog";
            qobject_cast<QDialog*>(w)->done(0);
            return;
        }
        login->edt1->setText(text);
        login->btn1->click();
    });
}

void LeaveLogin() {
    AnswerNextModal([](QWidget* w) {
        auto* login = qobject_cast<TFrmLogin*>(w);
        if (!login) {
            ADD_FAILURE() << "expected the login dialog";
            qobject_cast<QDialog*>(w)->done(0);
            return;
        }
        login->btn2->click();
    });
}

// Counts the notices that were shown, and answers each with OK.
struct NoticeWatch {
    std::vector<std::string> texts;
    void Expect() {
        AnswerNextModal([this](QWidget* w) {
            auto* info = qobject_cast<TFrmInfo*>(w);
            ASSERT_NE(info, nullptr);
            texts.push_back(info->MessageText());
            info->btnOk->click();
        });
    }
};

void Settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

} // namespace

TEST_F(MainWindowTest, WindowPagesAndTimersAsCreated) {
    TForm1 form;
    EXPECT_EQ(form.size(), QSize(674, 511));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("*Varnholt--岚舟记*"));
    auto* pc = form.findChild<QStackedWidget*>(QStringLiteral("RPCHelp"));
    ASSERT_NE(pc, nullptr);
    ASSERT_EQ(pc->count(), 10);
    const char* names[] = {"RTSAbout",        "RTSGuide",     "RTSTabMonitorCaption", "RTSTSMain",  "RTSTSStatistic",
                           "RTSTSSysSetting", "RTSTabSheet3", "RTSTabSheet4",         "RTSWorkSet", "RTSTabSheet6"};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(pc->widget(i)->objectName(), QString::fromLatin1(names[i]));
    EXPECT_EQ(form.CurrentPage(), vh::Page::Main);

    EXPECT_EQ(form.TimerOf(vh::Timer::TimeRange).Interval(), 3000);
    EXPECT_FALSE(form.TimerOf(vh::Timer::TimeRange).Enabled());
    EXPECT_FALSE(form.TimerOf(vh::Timer::Save).Enabled());
    EXPECT_EQ(form.TimerOf(vh::Timer::Update).Interval(), 60000);
    EXPECT_TRUE(form.TimerOf(vh::Timer::Update).IsActive());
    EXPECT_EQ(form.TimerOf(vh::Timer::Tips).Interval(), 60000);
    EXPECT_TRUE(form.TimerOf(vh::Timer::Tips).IsActive());
    EXPECT_EQ(form.TimerOf(vh::Timer::Save).objectName(), QStringLiteral("tmrSave"));

    auto* label9 = form.findChild<QLabel*>(QStringLiteral("Label9"));
    ASSERT_NE(label9, nullptr);
    EXPECT_EQ(label9->pos(), QPoint(88, 485));
    form.SetTipText(G("今天的事今天做"));
    EXPECT_EQ(label9->text(), QStringLiteral("今天的事今天做"));
    // The line grows with its text, and markup in a tip is shown as typed.
    const int shortWidth = label9->width();
    form.SetTipText(std::string(43, 'x') + "<b>bold</b>");
    EXPECT_GT(label9->width(), shortWidth);
    EXPECT_EQ(label9->textFormat(), Qt::PlainText);
    EXPECT_EQ(label9->pos(), QPoint(88, 485));
    // The heading: four red characters in two columns around the picture.
    QString heading;
    for (int i = 1; i <= 4; ++i) {
        auto* ch = form.findChild<QLabel*>(QStringLiteral("lblTipHeading%1").arg(i));
        ASSERT_NE(ch, nullptr);
        heading += ch->text();
        EXPECT_EQ(ch->x() < 14, i <= 2) << i;
        EXPECT_NE(ch->styleSheet().indexOf(vh::skin::kLinkRed.name()), -1);
    }
    EXPECT_EQ(heading, QStringLiteral("成功贴士"));
    auto* picture = form.findChild<QWidget*>(QStringLiteral("imgTips"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->geometry(), QRect(14, 475, 33, 30));
    auto* more = form.findChild<QLabel*>(QStringLiteral("lblMore"));
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(more->pos(), QPoint(600, 485));
    EXPECT_EQ(more->text(), QStringLiteral("查看更多..."));
}

TEST_F(MainWindowTest, RegisterPageReplacesThePlaceholderInPlace) {
    TForm1 form;
    auto* page = new QWidget;
    int prepared = 0;
    form.RegisterPage(vh::Page::Statistic, page, [&] { ++prepared; });
    EXPECT_EQ(page->objectName(), QStringLiteral("RTSTSStatistic"));
    auto* pc = form.findChild<QStackedWidget*>(QStringLiteral("RPCHelp"));
    EXPECT_EQ(pc->count(), 10);
    EXPECT_EQ(pc->indexOf(page), 4);
    EXPECT_EQ(form.PageWidget(vh::Page::Statistic), page);
    form.ShowPage(vh::Page::Statistic);
    EXPECT_EQ(prepared, 0);
    form.OpenPage(vh::Page::Main);
    form.OpenPage(vh::Page::Statistic);
    EXPECT_EQ(prepared, 1);
    EXPECT_EQ(pc->currentWidget(), page);
}

TEST_F(MainWindowTest, EveryNavigationControlPreparesThenShowsItsPage) {
    TForm1 form;
    using vh::Page;
    std::vector<Page> log;
    for (Page page : {Page::MonitorSetting, Page::Statistic, Page::SystemSetting}) {
        form.RegisterPage(page, new QWidget, [&log, &form, page] {
            // The preparation runs while the old page is still shown.
            EXPECT_NE(form.CurrentPage(), page);
            log.push_back(page);
        });
    }
    struct Case {
        const char* control;
        Page before; // a page to start from, where the control lives
        Page page;
        bool prepared;
    };
    const Case cases[] = {
        {"btn3", Page::About, Page::Main, false},
        {"btn6", Page::Main, Page::MonitorSetting, true},
        {"btn5", Page::Main, Page::Statistic, true},
        {"btn7", Page::Main, Page::SystemSetting, true},
        {"btn4", Page::Main, Page::About, false},
        {"btn8", Page::Main, Page::MonitorSetting, true},
        {"SpeedButton3", Page::Main, Page::Guide, false},
        {"btn23", Page::Guide, Page::Main, false},
        {"SpeedButton4", Page::Donation, Page::Main, false},
        {"btn24", Page::About, Page::Donation, false},
        {"SpeedButton2", Page::Main, Page::Donation, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        form.ShowPage(c.before);
        log.clear();
        auto* b = form.findChild<QPushButton*>(QString::fromLatin1(c.control));
        ASSERT_NE(b, nullptr);
        b->click();
        EXPECT_EQ(form.CurrentPage(), c.page);
        EXPECT_EQ(log.size(), c.prepared ? 1u : 0u);
    }
    // The side label "捐助".
    form.ShowPage(vh::Page::Main);
    auto* lbl1 = form.findChild<vh::skin::HoverLabel*>(QStringLiteral("lbl1"));
    ASSERT_NE(lbl1, nullptr);
    emit lbl1->clicked();
    EXPECT_EQ(form.CurrentPage(), vh::Page::Donation);
}

TEST_F(MainWindowTest, TransferDetailsAndBackToMain) {
    TForm1 form;
    form.OpenPage(vh::Page::Donation);
    auto* donation = form.PageWidget(vh::Page::Donation);
    auto* transfer = donation->findChild<QPushButton*>(QStringLiteral("btnTransfer"));
    ASSERT_NE(transfer, nullptr);
    EXPECT_EQ(transfer->text(), QStringLiteral("直接汇款"));
    transfer->click();
    auto* back = donation->findChild<QPushButton*>(QStringLiteral("btnTransferBack"));
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->isVisibleTo(donation));
    back->click();
    EXPECT_EQ(form.CurrentPage(), vh::Page::Main);
    // Opening the donation page again starts on the donation text.
    form.OpenPage(vh::Page::Donation);
    EXPECT_TRUE(transfer->isVisibleTo(donation));
    EXPECT_FALSE(back->isVisibleTo(donation));
}

TEST_F(MainWindowTest, UpdateControlsStartTheUpdateCheck) {
    TForm1 form;
    int checks = 0;
    form.SetUpdateCheck([&] { ++checks; });
    emit form.findChild<vh::skin::HoverLabel*>(QStringLiteral("Label1"))->clicked();
    form.findChild<QPushButton*>(QStringLiteral("btn25"))->click();
    form.findChild<QPushButton*>(QStringLiteral("btn18"))->click();
    EXPECT_EQ(checks, 3);
    // A failing check is shown as an error, and the window goes on.
    form.SetUpdateCheck([] { throw std::runtime_error("boom"); });
    form.Label1Click();
    ASSERT_EQ(ShownErrors().size(), 1u);
    EXPECT_EQ(ShownErrors()[0], "boom");
}

TEST_F(MainWindowTest, PanelLabelsHoverBlueAndShiftAboutLinksRed) {
    TForm1 form;
    for (const char* name : {"lbl1", "Label1"}) {
        auto* l = form.findChild<vh::skin::HoverLabel*>(QString::fromLatin1(name));
        ASSERT_NE(l, nullptr);
        const QPoint home = l->pos();
        EXPECT_EQ(l->CurrentColor(), QColor(Qt::white));
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(l, &enter);
        EXPECT_EQ(l->pos(), home - QPoint(1, 1));
        EXPECT_EQ(l->CurrentColor(), vh::skin::kLinkBlue);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(l, &leave);
        EXPECT_EQ(l->pos(), home);
        EXPECT_EQ(l->CurrentColor(), QColor(Qt::white));
    }
    QWidget* about = form.PageWidget(vh::Page::About);
    const auto links = about->findChildren<vh::skin::HoverLabel*>();
    EXPECT_EQ(links.size(), 3);
    for (auto* l : links) {
        const QPoint home = l->pos();
        EXPECT_EQ(l->CurrentColor(), vh::skin::kLinkBlue);
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(l, &enter);
        EXPECT_EQ(l->CurrentColor(), vh::skin::kLinkRed);
        EXPECT_EQ(l->pos(), home);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(l, &leave);
        EXPECT_EQ(l->CurrentColor(), vh::skin::kLinkBlue);
    }
}

TEST_F(MainWindowTest, TrayIconAndMenu) {
    TForm1 form;
    EXPECT_EQ(form.TrayIcon()->toolTip(), QStringLiteral("Varnholt"));
    const auto actions = form.TrayMenu()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->objectName(), QStringLiteral("N2"));
    EXPECT_EQ(actions[0]->text(), QStringLiteral("显示主界面"));
    EXPECT_EQ(actions[1]->objectName(), QStringLiteral("s1"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("监视设定"));
    EXPECT_EQ(actions[2]->objectName(), QStringLiteral("N1"));
    EXPECT_EQ(actions[2]->text(), QStringLiteral("退出系统"));
    EXPECT_EQ(form.TrayIcon()->contextMenu(), form.TrayMenu());
}

TEST_F(MainWindowTest, CloseAndMinimiseGoToTheTray) {
    TForm1 form;
    form.show();
    Settle();
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.InTray());
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(vh::ApplicationTerminated());
    form.RestoreFromTray();
    EXPECT_TRUE(form.isVisible());
    form.setWindowState(Qt::WindowMinimized);
    Settle();
    EXPECT_TRUE(form.InTray());
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainWindowTest, RestoreWithoutPasswordShowsTheMainPageAtOnce) {
    folder.Set("Security", "RestorePasswd", "0");
    TForm1 form;
    form.MinimizeToTray();
    form.ShowPage(vh::Page::About);
    form.TrayIcon()->activated(QSystemTrayIcon::DoubleClick);
    Settle();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.InTray());
    EXPECT_EQ(form.CurrentPage(), vh::Page::Main);
    EXPECT_FALSE(form.Login() && form.Login()->isVisible());
}

TEST_F(MainWindowTest, TrayClicksRestoreAsTheHostAllows) {
    folder.Set("Security", "RestorePasswd", "0");
    TForm1 form;
    // A host that reports double clicks: no other click restores.
    form.MinimizeToTray();
    form.TrayIcon()->activated(QSystemTrayIcon::Trigger);
    form.TrayIcon()->activated(QSystemTrayIcon::MiddleClick);
    Settle();
    EXPECT_FALSE(form.isVisible());
    // A StatusNotifierItem host never reports one: its click restores.
    vh::SetTrayHost(std::make_unique<FixedTrayHost>(true, false));
    form.TrayIcon()->activated(QSystemTrayIcon::MiddleClick);
    Settle();
    EXPECT_FALSE(form.isVisible());
    form.TrayIcon()->activated(QSystemTrayIcon::Trigger);
    Settle();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.InTray());
}

TEST_F(MainWindowTest, WithoutATrayTheWindowWaitsInTheTaskbarBehindTheRestoreGate) {
    vh::SetTrayHost(std::make_unique<FixedTrayHost>(false, true));
    TForm1 form;
    form.show();
    Settle();
    form.ShowPage(vh::Page::About);
    EXPECT_FALSE(form.close());
    Settle();
    EXPECT_TRUE(form.InTray());
    EXPECT_TRUE(form.isVisible()) << "keeps its taskbar button";
    EXPECT_TRUE(form.isMinimized());
    EXPECT_TRUE(form.AwayPanel()->isVisible()) << "the pages are covered";

    // Brought back from the taskbar: the gate asks; a refusal keeps the pages covered.
    LeaveLogin();
    form.setWindowState(Qt::WindowNoState);
    Settle();
    EXPECT_EQ(form.Login()->GetLoginState(), 3);
    EXPECT_TRUE(form.InTray());
    EXPECT_TRUE(form.AwayPanel()->isVisible());

    // The panel's stand-in for the tray menu, behind the same gate.
    AnswerLogin("qwhmzt");
    form.AwayPanel()->findChild<QPushButton*>(QStringLiteral("btnAwayN2"))->click();
    Settle();
    EXPECT_FALSE(form.InTray());
    EXPECT_FALSE(form.AwayPanel()->isVisible());
    EXPECT_EQ(form.CurrentPage(), vh::Page::Main);

    // A tray that appears later is used from then on.
    vh::SetTrayHost(std::make_unique<FixedTrayHost>(true, true));
    form.MinimizeToTray();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.AwayPanel()->isVisible());
}

TEST_F(MainWindowTest, RestoreGateAsksAndARefusalStaysSilentInTheTray) {
    TForm1 form; // RestorePasswd missing: asked
    form.MinimizeToTray();
    form.ShowPage(vh::Page::About);
    LeaveLogin();
    form.N2Click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.CurrentPage(), vh::Page::About);
    EXPECT_FALSE(form.Info() && form.Info()->isVisible());
    EXPECT_FALSE(vh::ApplicationTerminated());
    EXPECT_EQ(form.Login()->GetLoginState(), 3);

    AnswerLogin("qwhmzt");
    form.N2Click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.CurrentPage(), vh::Page::Main);
}

TEST_F(MainWindowTest, MonitorSettingsGate) {
    TForm1 form;
    int filled = 0;
    form.RegisterPage(vh::Page::MonitorSetting, new QWidget, [&] { ++filled; });
    form.MinimizeToTray();
    LeaveLogin();
    form.s1Click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(filled, 0);
    AnswerLogin("qwhmzt");
    form.s1Click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.CurrentPage(), vh::Page::MonitorSetting);
    EXPECT_EQ(filled, 1);

    folder.Set("Security", "RestorePasswd", "0");
    form.MinimizeToTray();
    form.ShowPage(vh::Page::Main);
    form.s1Click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.CurrentPage(), vh::Page::MonitorSetting);
}

TEST_F(MainWindowTest, ExitGateRefusedShowsTheNoticeAndKeepsRunning) {
    TForm1 form;
    form.MinimizeToTray();
    NoticeWatch notices;
    AnswerNextModal([&](QWidget* w) {
        auto* login = qobject_cast<TFrmLogin*>(w);
        ASSERT_NE(login, nullptr);
        notices.Expect(); // the notice follows the login
        login->btn2->click();
    });
    form.N1Click();
    ASSERT_EQ(notices.texts.size(), 1u);
    EXPECT_EQ(notices.texts[0], G("您输入的密码不正确，系统无法退出。"));
    EXPECT_FALSE(vh::ApplicationTerminated());

    AnswerNextModal([&](QWidget* w) {
        auto* login = qobject_cast<TFrmLogin*>(w);
        notices.Expect();
        login->edt1->setText(QStringLiteral("wrong"));
        login->btn1->click();
        EXPECT_TRUE(login->isVisible());
        login->btn2->click();
    });
    form.N1Click();
    EXPECT_EQ(notices.texts.size(), 2u);
    EXPECT_FALSE(vh::ApplicationTerminated());

    AnswerLogin("qwhmzt");
    form.N1Click();
    EXPECT_TRUE(vh::ApplicationTerminated());
}

TEST_F(MainWindowTest, ExitWithoutPasswordEndsAtOnce) {
    folder.Set("Security", "ExitPasswd", "0");
    TForm1 form;
    form.N1Click();
    EXPECT_TRUE(vh::ApplicationTerminated());
    EXPECT_FALSE(form.Login() && form.Login()->isVisible());
}

TEST_F(MainWindowTest, GatesDoNothingWhileTheLoginIsOpen) {
    folder.Set("Security", "ExitPasswd", "1");
    TForm1 form;
    form.MinimizeToTray();
    int nestedModals = 0;
    AnswerNextModal([&](QWidget* w) {
        auto* login = qobject_cast<TFrmLogin*>(w);
        ASSERT_NE(login, nullptr);
        // Any nested prompt would be answered here and counted. Settle() rarely lets this poll run before the
        // login closes, so it ends with the login: left on qApp it polled on into the next test's dialogs.
        AnswerNextModal(
            [&nestedModals, login](QWidget* inner) {
                if (inner != login)
                    ++nestedModals;
            },
            300, login);
        form.N2Click();
        form.s1Click();
        form.N1Click();
        form.TrayIcon()->activated(QSystemTrayIcon::DoubleClick);
        Settle();
        EXPECT_EQ(QApplication::activeModalWidget(), login);
        EXPECT_FALSE(form.isVisible());
        EXPECT_FALSE(vh::ApplicationTerminated());
        login->btn2->click();
    });
    form.N2Click();
    EXPECT_EQ(nestedModals, 0);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(vh::ApplicationTerminated());
}

// What start-up needs beyond the window: the schedule and the tips it fills.
struct StartupState {
    TMonitorSchedule schedule;
    TTips tips;
    vh::app::StartupData For(TForm1& form, const ShellFolder& folder) {
        return {form.Settings(), schedule, tips, folder.Folder() + "SuccessTips.txt"};
    }
};

TEST_F(MainWindowTest, StartWithoutPasswordStaysShownOnTheMainPage) {
    folder.Set("Security", "StartPasswd", "0");
    folder.Set("System", "AutoMinimize", "0");
    TForm1 form;
    StartupState state;
    UnexpectedModals modals;
    form.FormCreate(state.For(form, folder));
    form.ShowAtStart();
    Settle();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(modals.count, 0);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.InTray());
    EXPECT_EQ(form.CurrentPage(), vh::Page::Main);
    EXPECT_FALSE(form.TimerOf(vh::Timer::TimeRange).Enabled());
}

TEST_F(MainWindowTest, StartAsksThePasswordAndGoesToTheTray) {
    TForm1 form; // StartPasswd, AutoMinimize missing: both on
    StartupState state;
    bool asked = false;
    AnswerNextModal([&](QWidget* w) {
        auto* login = qobject_cast<TFrmLogin*>(w);
        ASSERT_NE(login, nullptr);
        asked = login->GetLoginState() == 1;
        login->edt1->setText(QStringLiteral(" qwhmzt "));
        login->btn1->click();
    });
    form.FormCreate(state.For(form, folder));
    EXPECT_TRUE(asked);
    EXPECT_FALSE(vh::ApplicationTerminated());
    form.ShowAtStart();
    Settle();
    EXPECT_TRUE(form.InTray());
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainWindowTest, ExitAtTheStartLoginTerminates) {
    TForm1 form;
    StartupState state;
    LeaveLogin();
    form.FormCreate(state.For(form, folder));
    EXPECT_TRUE(vh::ApplicationTerminated());
    EXPECT_EQ(form.Login()->GetLoginState(), 3);
    EXPECT_FALSE(form.TimerOf(vh::Timer::TimeRange).Enabled());
}

TEST_F(MainWindowTest, TheStartQuestionIsTheNoticeDialogAndItsCancelDeclines) {
    vh::test::TestClock clock(vh::test::At(2026, 12, 9, 10, 0, 0));
    folder.Set("Security", "StartPasswd", "0");
    folder.Set("System", "AutoTask", "0");
    folder.Set("TimeConfig", "Taskexecutype", "0");
    folder.Set("TimeConfig", "TimeFrom", "9:0:0");
    folder.Set("TimeConfig", "TimeEnd", "17:0:0");
    TForm1 form;
    StartupState state;
    std::string asked;
    AnswerNextModal([&](QWidget* w) {
        auto* info = qobject_cast<TFrmInfo*>(w);
        ASSERT_NE(info, nullptr);
        asked = info->MessageText();
        EXPECT_EQ(info->CaptionText(), G("信息"));
        info->btnCancel->click();
    });
    form.FormCreate(state.For(form, folder));
    EXPECT_EQ(asked,
              vh::app::BreakNoticeText(G("根据设定，您已经设定了要进行时间监视任务，以便分析，现在运行此任务么？")));
    EXPECT_FALSE(form.TimerOf(vh::Timer::TimeRange).Enabled());
    EXPECT_EQ(folder.Get("TimeConfig", "Taskexecutype"), "2");
    EXPECT_EQ(state.schedule.TaskType, 2);
}
