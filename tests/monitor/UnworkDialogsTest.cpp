// The non-work notice, the reminder-text dialog and the notice's hand-over to the add dialog, with real
// widgets (offscreen), a real settings file and a real child process for the kill.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "app/Assembly.h"
#include "catalogue/uAddProgram.h"
#include "monitor/NonWork.h"
#include "monitor/uDealUnwork.h"
#include "monitor/uInformSet.h"
#include "platform/AppPaths.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"
#include "support/ModalAnswerer.h"
#include "support/QtApp.h"
#include "support/TempFolder.h"
#include "toolkit/QtText.h"

namespace fs = std::filesystem;
using vh::text::Utf8ToGbk;

namespace {

class UnworkDialogs : public ::testing::Test {
protected:
    std::string ConfigText() const { return vh::test::ReadAll((dir_ / "Config.ini").string()); }
    static bool Shown(const QWidget* w) { return !w->isHidden(); }

    vh::test::AppFolder app_;
    const fs::path dir_ = app_.Folder();
};

TEST_F(UnworkDialogs, NoticeWindowAndItsFilling) {
    TfrmDealUnwork notice;
    EXPECT_EQ(notice.windowTitle(), QStringLiteral("非工作程序处理"));
    EXPECT_EQ(notice.size(), QSize(365, 203));
    EXPECT_EQ(notice.parentWidget(), nullptr);
    const auto flags = notice.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_EQ(notice.lblTitle->pos(), QPoint(13, 9));
    EXPECT_EQ(notice.lblMessage->pos(), QPoint(86, 45));
    EXPECT_EQ(notice.btnKnow->size(), QSize(74, 22));
    EXPECT_EQ(notice.btnCloseProgram->size(), QSize(89, 22));
    EXPECT_EQ(notice.btnAddWork->geometry(), QRect(241, 152, 115, 22));
    EXPECT_EQ(notice.btnKnow->text(), QStringLiteral("知道了"));
    EXPECT_EQ(notice.btnCloseProgram->text(), QStringLiteral("关闭该程序"));
    EXPECT_EQ(notice.btnAddWork->text(), QStringLiteral("添加到工作程序"));
    EXPECT_FALSE(notice.isVisible());

    notice.ShowUnworkNotice(Utf8ToGbk(" \t注意哦\r\n"), vh::monitor::DefaultReminderText(), 0, "notepad.exe",
                            Utf8ToGbk("记事本"), 77, {});
    EXPECT_TRUE(notice.isVisible());
    EXPECT_EQ(notice.lblTitle->text(), QStringLiteral("注意哦"));
    EXPECT_EQ(notice.MessageText(), vh::monitor::WrapNoticeText(vh::monitor::DefaultReminderText(), 44));
    EXPECT_EQ(notice.lblMessage->text(),
              QStringLiteral("您现在处理的是否是重要的事情呢？是否应该做一\n些更为重要的事情?"));
    EXPECT_EQ(notice.ProcessName(), "notepad.exe");
    EXPECT_EQ(notice.ProgramName(), Utf8ToGbk("记事本"));
    EXPECT_EQ(notice.ProcessId(), 77u);

    // A second showing while the first is up refills the same window.
    notice.ShowUnworkNotice(Utf8ToGbk("注意哦"), "short", 2, "calc.exe", "Calculator", 78, {});
    EXPECT_TRUE(notice.isVisible());
    EXPECT_EQ(notice.lblMessage->text(), QStringLiteral("short"));
    EXPECT_EQ(notice.ProcessName(), "calc.exe");
    EXPECT_EQ(notice.ProgramName(), "Calculator");
    EXPECT_EQ(notice.ProcessId(), 78u);

    notice.btnKnow->click();
    EXPECT_FALSE(notice.isVisible());
    // Closed only hides: the details stay for the buttons.
    EXPECT_EQ(notice.ProcessId(), 78u);
}

TEST_F(UnworkDialogs, ButtonLayoutsFollowEachShowing) {
    TfrmDealUnwork notice;
    const std::string text = vh::monitor::FixedReminderText();
    notice.ShowUnworkNotice("t", text, 0, "a.exe", "A", 1, {});
    EXPECT_TRUE(Shown(notice.btnKnow));
    EXPECT_FALSE(Shown(notice.btnCloseProgram));
    EXPECT_EQ(notice.btnKnow->pos(), QPoint(34, 153));
    EXPECT_EQ(notice.btnCloseProgram->pos(), QPoint(132, 153));

    // Mode 3 after mode 0: both buttons, in their own places.
    notice.ShowUnworkNotice("t", text, 2, "a.exe", "A", 1, {});
    EXPECT_TRUE(Shown(notice.btnKnow));
    EXPECT_TRUE(Shown(notice.btnCloseProgram));
    EXPECT_EQ(notice.btnKnow->pos(), QPoint(34, 153));
    EXPECT_EQ(notice.btnCloseProgram->pos(), QPoint(132, 153));

    // Mode 2: the kill button takes the place of the hidden "知道了".
    notice.ShowUnworkNotice("t", text, 1, "a.exe", "A", 1, {});
    EXPECT_FALSE(Shown(notice.btnKnow));
    EXPECT_TRUE(Shown(notice.btnCloseProgram));
    EXPECT_EQ(notice.btnCloseProgram->pos(), QPoint(34, 153));

    // Mode 0 after mode 2: "知道了" is back and the kill button hidden at its own place again.
    notice.ShowUnworkNotice("t", text, 0, "a.exe", "A", 1, {});
    EXPECT_TRUE(Shown(notice.btnKnow));
    EXPECT_EQ(notice.btnKnow->pos(), QPoint(34, 153));
    EXPECT_FALSE(Shown(notice.btnCloseProgram));
    EXPECT_EQ(notice.btnCloseProgram->pos(), QPoint(132, 153));

    for (int layout : {0, 1, 2}) {
        notice.ShowUnworkNotice("t", text, layout, "a.exe", "A", 1, {});
        EXPECT_TRUE(Shown(notice.btnAddWork));
        EXPECT_EQ(notice.btnAddWork->pos(), QPoint(241, 152));
    }
}

TEST_F(UnworkDialogs, NeverFilledNoticeKillsNothing) {
    TfrmDealUnwork notice;
    notice.show();
    notice.btnCloseProgram->click(); // pid 0 would be our own process group
    EXPECT_FALSE(notice.isVisible());
    SUCCEED() << "still running";
}

TEST_F(UnworkDialogs, AddToWorkProgramsOpensTheAddDialogAndCancelBringsTheNoticeBack) {
    TfrmDealUnwork notice;
    TfrmAddWorkProgram add;
    ConnectUnworkDialogs(notice, add);
    const std::string caption = Utf8ToGbk("无标题 - 记事本");
    notice.ShowUnworkNotice(Utf8ToGbk("注意哦"), vh::monitor::FixedReminderText(), 2, "notepad.exe", caption, 99, {});
    const QString shownText = notice.lblMessage->text();

    notice.btnAddWork->click();
    EXPECT_FALSE(notice.isVisible());
    EXPECT_TRUE(add.isVisible());
    EXPECT_FALSE(add.isModal());
    EXPECT_EQ(add.Mode(), vh::catalogue::AddMode::WorkProgram);
    EXPECT_EQ(add.lblHeading->text(), QStringLiteral("请输入添加为工作程序的具体信息"));
    EXPECT_EQ(add.suiEdtprocessname->text(), QStringLiteral("notepad.exe"));
    EXPECT_EQ(add.suiEdtProgramName->text(), QStringLiteral("无标题 - 记事本"));
    EXPECT_EQ(add.suiEdtprocessDes->text(), QString());

    add.btn33->click();
    EXPECT_FALSE(add.isVisible());
    EXPECT_TRUE(notice.isVisible());
    EXPECT_EQ(notice.lblMessage->text(), shownText);
    EXPECT_EQ(notice.ProcessName(), "notepad.exe");
    EXPECT_EQ(notice.ProgramName(), caption);
    EXPECT_EQ(notice.ProcessId(), 99u);
    EXPECT_TRUE(Shown(notice.btnCloseProgram));
    EXPECT_EQ(notice.btnKnow->pos(), QPoint(34, 153));

    // In catalogue mode "取消" does not bring the notice back.
    notice.hide();
    add.SetMode(vh::catalogue::AddMode::Catalogue);
    EXPECT_EQ(add.lblHeading->text(), QStringLiteral("请输入待添加为可选程序的具体信息："));
    vh::test::AnswerNextModal([&](QWidget*) { add.btn33->click(); });
    add.ShowModal();
    EXPECT_FALSE(notice.isVisible());
}

TEST_F(UnworkDialogs, ReminderDialogChecksAndStores) {
    TfrmInformSet dlg;
    EXPECT_EQ(dlg.rzIniInfo.SettingsPath(), ConfigFilePath());
    EXPECT_EQ(dlg.size(), QSize(286, 205));
    EXPECT_EQ(dlg.lblHint->pos(), QPoint(6, 38));
    EXPECT_EQ(dlg.lblHint->text(), QStringLiteral("请不要包含双引号、单引号字符，内容长度小于70字"));
    EXPECT_EQ(dlg.mmoInform->geometry(), QRect(9, 55, 268, 95));
    EXPECT_EQ(dlg.lblMessage->pos(), QPoint(10, 157));
    EXPECT_EQ(dlg.btnOk->pos(), QPoint(45, 177));
    EXPECT_EQ(dlg.btnCancel->pos(), QPoint(184, 177));

    const QString seventy = QString(70, QChar(0x5B57)); // 70 x 字 = 140 bytes
    QString seen;
    bool hiddenAtFirst = false;
    QString afterTooLong, afterBlanks;
    bool openAfterTooLong = false;
    vh::test::AnswerNextModal([&](QWidget*) {
        seen = dlg.mmoInform->toPlainText();
        hiddenAtFirst = dlg.lblMessage->isHidden();
        dlg.mmoInform->setPlainText(seventy + QStringLiteral("a"));
        dlg.btnOk->click();
        afterTooLong = dlg.lblMessage->isHidden() ? QString() : dlg.lblMessage->text();
        openAfterTooLong = dlg.isVisible();
        dlg.mmoInform->setPlainText(QStringLiteral("  \n\t "));
        dlg.btnOk->click();
        afterBlanks = dlg.lblMessage->isHidden() ? QString() : dlg.lblMessage->text();
        dlg.mmoInform->setPlainText(QStringLiteral("  ") + seventy + QStringLiteral("\n"));
        dlg.btnOk->click();
    });
    dlg.ShowModal();
    EXPECT_EQ(seen, vh::FromGbk(vh::monitor::DefaultReminderText()));
    EXPECT_TRUE(hiddenAtFirst);
    EXPECT_EQ(afterTooLong, QStringLiteral("输入字数太多，请重新输入!"));
    EXPECT_TRUE(openAfterTooLong);
    EXPECT_EQ(afterBlanks, QStringLiteral("提醒内容不能为空，请设定提醒内容"));
    EXPECT_FALSE(dlg.isVisible());
    TSettingsAccessor main;
    main.SetSettingsPath(ConfigFilePath());
    EXPECT_EQ(main.ReadText("System", "InformStr", ""), vh::ToGbk(seventy));

    // Cancel keeps what is stored; the next showing hides the message line again.
    bool hiddenOnReopen = false;
    vh::test::AnswerNextModal([&](QWidget*) {
        seen = dlg.mmoInform->toPlainText();
        dlg.mmoInform->setPlainText(QString());
        dlg.btnOk->click();
        dlg.btnCancel->click();
    });
    dlg.ShowModal();
    EXPECT_EQ(seen, seventy);
    EXPECT_EQ(main.ReadText("System", "InformStr", ""), vh::ToGbk(seventy));
    vh::test::AnswerNextModal([&](QWidget*) {
        hiddenOnReopen = dlg.lblMessage->isHidden();
        dlg.btnCancel->click();
    });
    dlg.ShowModal();
    EXPECT_TRUE(hiddenOnReopen);
}

TEST_F(UnworkDialogs, MultiLineReminderIsStoredOnOneLineAndShownAsTyped) {
    TfrmInformSet dlg;
    const QString typed = QStringLiteral("第一行\n第二行 \"引号\"");
    vh::test::AnswerNextModal([&](QWidget*) {
        dlg.mmoInform->setPlainText(typed);
        dlg.btnOk->click();
    });
    dlg.ShowModal();
    const std::string file = ConfigText();
    EXPECT_NE(file.find(Utf8ToGbk("InformStr=第一行\\n第二行 \"引号\"\r\n")), std::string::npos) << file;

    QString seen;
    vh::test::AnswerNextModal([&](QWidget*) {
        seen = dlg.mmoInform->toPlainText();
        dlg.btnCancel->click();
    });
    dlg.ShowModal();
    EXPECT_EQ(seen, typed);

    TSettingsAccessor main;
    main.SetSettingsPath(ConfigFilePath());
    TfrmDealUnwork notice;
    notice.ShowUnworkNotice("t", vh::monitor::ReadReminderText(main), 0, "a", "b", 1, {});
    EXPECT_EQ(notice.lblMessage->text(), typed);
}

} // namespace
