// The notice dialog and ShowNotice on the main window.
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "app/Unit1.h"
#include "app/uInfoFrm.h"
#include "support/ModalAnswerer.h"

using namespace vh::test;

namespace {

class NoticeTest : public ShellTest {};

TFrmInfo* AsInfo(QWidget* w) {
    return qobject_cast<TFrmInfo*>(w);
}

} // namespace

TEST_F(NoticeTest, LayoutAndWindowKind) {
    TFrmInfo info;
    EXPECT_EQ(info.size(), QSize(285, 121));
    EXPECT_EQ(info.windowTitle(), QStringLiteral("提示"));
    EXPECT_EQ(info.parentWidget(), nullptr);
    const Qt::WindowFlags f = info.windowFlags();
    EXPECT_TRUE(f.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(f.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(info.lblCaption->mapTo(&info, QPoint(0, 0)), QPoint(9, 7));
    EXPECT_EQ(info.lblMessage->pos(), QPoint(48, 41));
    EXPECT_EQ(info.btnOk->geometry(), QRect(36, 91, 66, 22));
    EXPECT_EQ(info.btnCancel->geometry(), QRect(186, 91, 61, 22));
    EXPECT_EQ(info.btnOk->text(), QStringLiteral("确定"));
    EXPECT_EQ(info.btnCancel->text(), QStringLiteral("取消"));
    EXPECT_TRUE(info.Result());
    EXPECT_EQ(info.lblMessage->text(), QStringLiteral(" "));
}

TEST_F(NoticeTest, LongMessageIsShownOnTwoLinesAndOkAnswersTrue) {
    TForm1 form;
    std::string seenMessage, seenCaption;
    QString labelText;
    AnswerNextModal([&](QWidget* w) {
        TFrmInfo* info = AsInfo(w);
        ASSERT_NE(info, nullptr);
        seenCaption = info->CaptionText();
        seenMessage = info->MessageText();
        labelText = info->lblMessage->text();
        EXPECT_EQ(info->lblCaption->text(), QStringLiteral("信息"));
        info->btnOk->click();
    });
    EXPECT_TRUE(form.ShowNotice(G("信息"), G("一二三四五六七八九十一二三四五六七八九十")));
    EXPECT_EQ(seenCaption, G("信息"));
    EXPECT_EQ(seenMessage, G("一二三四五六七八九十一二三四五六七八") + "\n\r" + G("九十"));
    EXPECT_EQ(labelText.split(QLatin1Char('\n')).size(), 2);
    EXPECT_FALSE(form.Info()->isVisible());
}

TEST_F(NoticeTest, ExactlyThirtySixBytesStayOneLineAndCancelAnswersFalse) {
    TForm1 form;
    std::string seen;
    AnswerNextModal([&](QWidget* w) {
        seen = AsInfo(w)->MessageText();
        AsInfo(w)->btnCancel->click();
    });
    const std::string text = G("一二三四五六七八九十一二三四五六七八");
    EXPECT_FALSE(form.ShowNotice(G("错误"), text));
    EXPECT_EQ(seen, text);
}

TEST_F(NoticeTest, SecondNoticeWhileOneIsOpenShowsNothing) {
    TForm1 form;
    bool second = true;
    std::string messageAfter;
    AnswerNextModal([&](QWidget* w) {
        second = form.ShowNotice(G("信息"), G("第二个"));
        messageAfter = AsInfo(w)->MessageText();
        AsInfo(w)->btnOk->click();
    });
    EXPECT_TRUE(form.ShowNotice(G("信息"), G("第一个")));
    EXPECT_FALSE(second);
    EXPECT_EQ(messageAfter, G("第一个"));
}

TEST_F(NoticeTest, OnlyOkAnswersYesEvenAfterAnEarlierOk) {
    TForm1 form;
    const auto esc = [](QWidget* w) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
    };
    AnswerNextModal([](QWidget* w) { AsInfo(w)->btnOk->click(); });
    EXPECT_TRUE(form.ShowNotice(G("信息"), "a"));
    AnswerNextModal(esc);
    EXPECT_FALSE(form.ShowNotice(G("信息"), G("您确认要清除所有的数据么?")));
    AnswerNextModal([](QWidget* w) { AsInfo(w)->btnOk->click(); });
    EXPECT_TRUE(form.ShowNotice(G("信息"), "b"));
    AnswerNextModal([](QWidget* w) { AsInfo(w)->close(); }); // a close from outside
    EXPECT_FALSE(form.ShowNotice(G("信息"), "c"));
    AnswerNextModal([](QWidget* w) { AsInfo(w)->btnOk->click(); });
    EXPECT_TRUE(form.ShowNotice(G("信息"), "d"));
    AnswerNextModal([](QWidget* w) { w->hide(); });
    EXPECT_FALSE(form.ShowNotice(G("信息"), "e"));
}

TEST_F(NoticeTest, ShownWhileTheMainWindowIsInTheTray) {
    TForm1 form;
    form.MinimizeToTray();
    bool visible = false;
    AnswerNextModal([&](QWidget* w) {
        visible = w->isVisible();
        AsInfo(w)->btnOk->click();
    });
    EXPECT_TRUE(form.ShowNotice(G("信息"), "x"));
    EXPECT_TRUE(visible);
    EXPECT_FALSE(form.isVisible());
}
