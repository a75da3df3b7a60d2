// The work-program page, the management page and the add dialog against a real database built from the
// schema, with real widgets (offscreen) and a real settings file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/Assembly.h"
#include "catalogue/ProgramManagePage.h"
#include "catalogue/WorkProgramPage.h"
#include "catalogue/uAddProgram.h"
#include "monitor/ForegroundInfo.h"
#include "monitor/UnworkHandler.h"
#include "monitor/uDealUnwork.h"
#include "monitor/uInformSet.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"
#include "storage/uDBFunc.h"
#include "support/FakePageHost.h"
#include "support/FakeWindowSystem.h"
#include "support/ModalAnswerer.h"
#include "support/QtApp.h"
#include "support/TestClock.h"
#include "support/TestDatabase.h"
#include "toolkit/ErrorDisplay.h"

using vh::text::Utf8ToGbk;

namespace {

std::vector<std::string> g_errors;

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

void Select(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    list->setCurrentItem(found.first());
    found.first()->setSelected(true);
}

void DoubleClick(QListWidget* list, const QString& text) {
    Select(list, text);
    emit list->itemDoubleClicked(list->findItems(text, Qt::MatchExactly).first());
}

class CataloguePages : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        vh::SetErrorSink([](const std::string& e) { g_errors.push_back(e); });
    }
    void SetUp() override {
        g_errors.clear();
        db_ = std::make_unique<vh::test::TestDatabase>();
        settings_.SetSettingsPath(ConfigFilePath());
    }
    void TearDown() override {
        EXPECT_TRUE(g_errors.empty()) << g_errors.front();
        db_.reset();
    }
    void Add(const std::string& process, const std::string& program, int state, const std::string& des = "") {
        db_->Sql().Exec("insert into TPROGRAM (PROCESSNAME, PROGRAMNAME, PROGRAMDES, BNORMAL) values (:P1, :P2, "
                        ":P3, " +
                            std::to_string(state) + ")",
                        {process, program, des});
    }
    std::string State(const std::string& process) {
        return db_->Sql().Scalar("select BNORMAL from TPROGRAM where PROCESSNAME = :P1", {process});
    }
    std::vector<std::vector<std::string>> Row(const std::string& process) {
        return db_->Sql().Rows("select PROGRAMNAME, PROGRAMDES, BNORMAL from TPROGRAM where PROCESSNAME = :P1",
                               {process});
    }
    std::string Count() { return db_->Sql().Scalar("select count(*) from TPROGRAM"); }

    std::unique_ptr<vh::test::TestDatabase> db_;
    TSettingsAccessor settings_;
    vh::test::FakePageHost host_;
};

TEST_F(CataloguePages, WorkPageSetsAndCancelsWorkPrograms) {
    Add("notepad.exe", "Editor", 1);
    Add("vim", "editor", 0);
    Add("calc.exe", "Calculator", 0);
    TWorkProgramPage page(host_, settings_);
    EXPECT_EQ(page.objectName(), QStringLiteral("RTSWorkSet"));
    page.FillPage();
    EXPECT_EQ(Items(page.sLB1), (QStringList{"Editor", "editor", "Calculator"}));
    EXPECT_EQ(Items(page.sLB2), (QStringList{"Editor"}));

    // Nothing selected: nothing happens.
    page.btn27->click();
    page.btn28->click();
    page.sLB1DblClick();
    EXPECT_EQ(State("notepad.exe"), "1");
    EXPECT_EQ(State("calc.exe"), "0");

    // Already a work program by a name differing only in case: nothing happens.
    Select(page.sLB1, "editor");
    page.btn27->click();
    EXPECT_EQ(State("vim"), "0");
    EXPECT_EQ(Items(page.sLB2), (QStringList{"Editor"}));

    // Newly set: listed in both lists.
    DoubleClick(page.sLB1, "Calculator");
    EXPECT_EQ(State("calc.exe"), "1");
    EXPECT_EQ(Items(page.sLB1), (QStringList{"Editor", "editor", "Calculator"}));
    EXPECT_EQ(Items(page.sLB2), (QStringList{"Editor", "Calculator"}));

    // Cancelling by double click and by "取消".
    DoubleClick(page.sLB2, "Editor");
    EXPECT_EQ(State("notepad.exe"), "0");
    EXPECT_EQ(Items(page.sLB2), (QStringList{"Calculator"}));
    Select(page.sLB2, "Calculator");
    page.btn28->click();
    EXPECT_EQ(State("calc.exe"), "0");
    EXPECT_TRUE(Items(page.sLB2).isEmpty());
    EXPECT_TRUE(host_.notices.empty());
}

TEST_F(CataloguePages, BackKeepsListChangesAndDropsTheRadioChange) {
    Add("calc.exe", "Calculator", 0);
    settings_.WriteNumber("system", "unwork", 2);
    TWorkProgramPage page(host_, settings_);
    EXPECT_TRUE(page.suiRbtn5->isChecked()); // on creation
    page.FillPage();
    EXPECT_TRUE(page.suiRbtn7->isChecked());
    DoubleClick(page.sLB1, "Calculator");
    page.suiRbtn5->setChecked(true);
    page.btn29->click();
    ASSERT_EQ(host_.shownPages.size(), 1u);
    EXPECT_EQ(host_.shownPages[0], vh::Page::MonitorSetting);
    EXPECT_EQ(settings_.ReadNumber("system", "unwork", -1), 2);
    EXPECT_EQ(State("calc.exe"), "1");
    page.FillPage();
    EXPECT_TRUE(page.suiRbtn7->isChecked());
    EXPECT_EQ(Items(page.sLB2), (QStringList{"Calculator"}));
    EXPECT_TRUE(host_.notices.empty());
}

TEST_F(CataloguePages, EmptyCatalogueAndFinishStoresTheMode) {
    TWorkProgramPage page(host_, settings_);
    page.FillPage();
    EXPECT_EQ(page.sLB1->count(), 0);
    EXPECT_EQ(page.sLB2->count(), 0);
    page.suiRbtn8->setChecked(true);
    page.btn30->click();
    EXPECT_EQ(settings_.ReadNumber("System", "unwork", -1), 3);
    ASSERT_EQ(host_.notices.size(), 1u);
    EXPECT_EQ(host_.notices[0].caption, Utf8ToGbk("信息"));
    EXPECT_EQ(host_.notices[0].text, Utf8ToGbk("配置已经生效"));
    ASSERT_EQ(host_.shownPages.size(), 1u);
    EXPECT_EQ(host_.shownPages[0], vh::Page::MonitorSetting);

    page.btn31->click();
    ASSERT_EQ(host_.openedPages.size(), 1u);
    EXPECT_EQ(host_.openedPages[0], vh::Page::ProgramManage);
}

TEST_F(CataloguePages, StoredModeOutOfRangeKeepsTheRadioButtons) {
    TWorkProgramPage page(host_, settings_);
    settings_.WriteNumber("system", "unwork", 7);
    page.FillPage();
    EXPECT_TRUE(page.suiRbtn5->isChecked()); // first opening: the one checked on creation
    page.suiRbtn6->setChecked(true);
    page.FillPage();
    EXPECT_TRUE(page.suiRbtn6->isChecked());

    // The non-work handling reads the mode too and checks the page's radio button as it does.
    TfrmDealUnwork notice;
    TUnworkHandler handler(settings_, notice);
    handler.SetModeListener([&](int m) { page.CheckReactionRadio(m); });
    const TForegroundInfo sample{"game.exe", "Game", 0, 4242};
    handler.CheckNonWorkProgram(sample);
    EXPECT_FALSE(notice.isVisible());
    EXPECT_TRUE(page.suiRbtn6->isChecked());
    settings_.WriteNumber("system", "unwork", 3);
    handler.CheckNonWorkProgram(sample);
    EXPECT_TRUE(notice.isVisible());
    EXPECT_TRUE(page.suiRbtn8->isChecked());
}

TEST_F(CataloguePages, ReminderButtonOpensTheReminderDialogModally) {
    TWorkProgramPage page(host_, settings_);
    TfrmInformSet inform;
    QObject::connect(&page, &TWorkProgramPage::ReminderTextRequested, &inform, [&] { inform.ShowModal(); });
    QWidget* seen = nullptr;
    vh::test::AnswerNextModal([&](QWidget* w) {
        seen = w;
        inform.btnCancel->click();
    });
    page.btn36->click();
    EXPECT_EQ(seen, &inform);
    EXPECT_FALSE(inform.isVisible());
}

TEST_F(CataloguePages, ManagePageShowsDeletesAndChanges) {
    Add("notepad.exe", "Editor", 1, "text");
    Add("calc.exe", "Calculator", 0, "sums");
    TProgramManagePage page(host_);
    EXPECT_EQ(page.objectName(), QStringLiteral("RTSTabSheet6"));
    EXPECT_TRUE(page.suiEdtProcessNme->isReadOnly());
    page.FillPage();
    EXPECT_EQ(Items(page.sLB3), (QStringList{"Editor", "Calculator"}));

    // Delete without a selection.
    page.btn34->click();
    ASSERT_EQ(host_.notices.size(), 1u);
    EXPECT_EQ(host_.notices[0].caption, Utf8ToGbk("信息"));
    EXPECT_EQ(host_.notices[0].text, Utf8ToGbk("请选择要删除的待选工作程序"));
    EXPECT_EQ(Count(), "2");

    Select(page.sLB3, "Editor");
    EXPECT_EQ(page.suiEdtProgramName->text(), QStringLiteral("Editor"));
    EXPECT_EQ(page.suiEdtProcessNme->text(), QStringLiteral("notepad.exe"));
    EXPECT_EQ(page.suiEdtDes->text(), QStringLiteral("text"));

    // Changing with an empty program name.
    page.suiEdtProgramName->setText(QStringLiteral("   "));
    page.btn35->click();
    ASSERT_EQ(host_.notices.size(), 2u);
    EXPECT_EQ(host_.notices[1].text, Utf8ToGbk("请填写好待选工作程序的信息"));
    EXPECT_EQ(Row("notepad.exe")[0][0], "Editor");

    // A name with surrounding blanks is stored trimmed, and the work-program state stays.
    page.suiEdtProgramName->setText(QStringLiteral("  Notes  "));
    page.suiEdtDes->setText(QString());
    page.btn35->click();
    const auto row = Row("notepad.exe");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0][0], "Notes");
    EXPECT_EQ(row[0][1], "");
    EXPECT_EQ(row[0][2], "1");
    EXPECT_EQ(Items(page.sLB3), (QStringList{"Notes", "Calculator"}));

    // A double click deletes at once; the fields keep showing the deleted entry.
    DoubleClick(page.sLB3, "Calculator");
    EXPECT_EQ(Count(), "1");
    EXPECT_EQ(Items(page.sLB3), (QStringList{"Notes"}));
    EXPECT_EQ(page.suiEdtProcessNme->text(), QStringLiteral("calc.exe"));
    EXPECT_EQ(host_.notices.size(), 2u);

    page.btn33->click();
    ASSERT_EQ(host_.openedPages.size(), 1u);
    EXPECT_EQ(host_.openedPages[0], vh::Page::WorkSet);
}

TEST_F(CataloguePages, FailedLookUpShowsTheNameWithEmptyFields) {
    Add("calc.exe", "Calculator", 0, "sums");
    TProgramManagePage page(host_);
    page.FillPage();
    db_->Sql().Exec("delete from TPROGRAM");
    Select(page.sLB3, "Calculator");
    EXPECT_EQ(page.suiEdtProgramName->text(), QStringLiteral("Calculator"));
    EXPECT_EQ(page.suiEdtProcessNme->text(), QString());
    EXPECT_EQ(page.suiEdtDes->text(), QString());
}

TEST_F(CataloguePages, NewOpensTheAddDialogModally) {
    TProgramManagePage page(host_);
    TfrmAddWorkProgram add;
    page.SetAddDialog(&add);
    page.FillPage();

    // Three empty fields still go to the database, which refuses blank names: the dialog says so and
    // stays open.
    add.Prefill("x", "y", "z");
    bool modal = false;
    QString heading, status;
    vh::test::AnswerNextModal([&](QWidget* w) {
        modal = w == &add;
        heading = add.lblHeading->text();
        EXPECT_EQ(add.suiEdtprocessname->text(), QString());
        EXPECT_FALSE(add.lblStatus->isVisibleTo(&add));
        add.btn32->click();
        EXPECT_TRUE(add.isVisible());
        status = add.lblStatus->isVisibleTo(&add) ? add.lblStatus->text() : QString();
        add.btn33->click();
    });
    page.btn32->click();
    EXPECT_TRUE(modal);
    EXPECT_EQ(heading, QStringLiteral("请输入待添加为可选程序的具体信息："));
    EXPECT_EQ(status, QStringLiteral("程序名称和进程名都不能为空。"));
    EXPECT_EQ(Count(), "0");
    EXPECT_EQ(page.sLB3->count(), 0);

    vh::test::AnswerNextModal([&](QWidget*) {
        add.suiEdtProgramName->setText(QStringLiteral(" 记事本 "));
        add.suiEdtprocessname->setText(QStringLiteral("notepad.exe "));
        add.suiEdtprocessDes->setText(QStringLiteral(" 写字 "));
        add.btn32->click();
    });
    page.btn32->click();
    const auto row = Row("notepad.exe");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0][0], Utf8ToGbk("记事本"));
    EXPECT_EQ(row[0][1], Utf8ToGbk("写字"));
    EXPECT_EQ(row[0][2], "0"); // selectable, not a work program
    EXPECT_EQ(Items(page.sLB3), (QStringList{QStringLiteral("记事本")}));

    // "取消" adds nothing.
    vh::test::AnswerNextModal([&](QWidget*) {
        add.suiEdtProgramName->setText(QStringLiteral("Other"));
        add.suiEdtprocessname->setText(QStringLiteral("other"));
        add.btn33->click();
    });
    page.btn32->click();
    EXPECT_EQ(Count(), "1");
}

TEST_F(CataloguePages, RefusedAddsAndChangesSayWhyAndKeepWhatWasTyped) {
    Add("notepad.exe", "Editor", 1, "text");
    Add("calc.exe", "Calculator", 0, "sums");
    TProgramManagePage page(host_);
    TfrmAddWorkProgram add;
    page.SetAddDialog(&add);
    page.FillPage();

    // A process name, then a program name that another entry holds: each refusal is named in the dialog,
    // which keeps the fields; the corrected entry goes in. (Which writes the database refuses, and why, is
    // the storage's test.)
    std::vector<QString> statuses;
    vh::test::AnswerNextModal([&](QWidget*) {
        const auto attempt = [&] {
            add.btn32->click();
            EXPECT_TRUE(add.isVisible());
            statuses.push_back(add.lblStatus->isVisibleTo(&add) ? add.lblStatus->text() : QString());
        };
        add.suiEdtProgramName->setText(QStringLiteral("计算器"));
        add.suiEdtprocessname->setText(QStringLiteral("calc.exe"));
        add.suiEdtprocessDes->setText(QStringLiteral("写字"));
        attempt();
        add.suiEdtprocessname->setText(QStringLiteral("gnome-calculator"));
        add.suiEdtProgramName->setText(QStringLiteral("Calculator"));
        attempt();
        add.suiEdtProgramName->setText(QStringLiteral("计算器"));
        EXPECT_EQ(add.suiEdtProgramName->text(), QStringLiteral("计算器"));
        EXPECT_EQ(add.suiEdtprocessname->text(), QStringLiteral("gnome-calculator"));
        add.suiEdtprocessDes->setText(QStringLiteral("算数"));
        add.btn32->click();
    });
    page.btn32->click();
    EXPECT_EQ(statuses, (std::vector<QString>{QStringLiteral("该进程名已存在，不能重复添加。"),
                                              QStringLiteral("该程序名称已被其他程序使用。")}));
    EXPECT_FALSE(add.isVisible());
    EXPECT_EQ(Row("gnome-calculator"),
              (std::vector<std::vector<std::string>>{{Utf8ToGbk("计算器"), Utf8ToGbk("算数"), "0"}}));
    EXPECT_EQ(Row("calc.exe"), (std::vector<std::vector<std::string>>{{"Calculator", "sums", "0"}}));
    EXPECT_TRUE(host_.notices.empty());

    // "修改" onto another entry's program name: an error notice, the entry and the typed fields stay.
    Select(page.sLB3, "Calculator");
    page.suiEdtProgramName->setText(QStringLiteral("Editor"));
    page.suiEdtDes->setText(QStringLiteral("new"));
    page.btn35->click();
    ASSERT_EQ(host_.notices.size(), 1u);
    EXPECT_EQ(host_.notices[0].caption, Utf8ToGbk("错误"));
    EXPECT_EQ(host_.notices[0].text, Utf8ToGbk("该程序名称已被其他程序使用。"));
    EXPECT_EQ(Row("calc.exe"), (std::vector<std::vector<std::string>>{{"Calculator", "sums", "0"}}));
    EXPECT_EQ(page.suiEdtProgramName->text(), QStringLiteral("Editor"));
    EXPECT_EQ(page.suiEdtDes->text(), QStringLiteral("new"));
    EXPECT_EQ(page.suiEdtProcessNme->text(), QStringLiteral("calc.exe"));
}

TEST_F(CataloguePages, AddingFromTheNoticeMakesAWorkProgram) {
    TfrmDealUnwork notice;
    TfrmAddWorkProgram add;
    ConnectUnworkDialogs(notice, add);
    TUnworkHandler handler(settings_, notice);
    const TForegroundInfo sample{"game.exe", Utf8ToGbk("小游戏"), 0, 4242};

    handler.CheckNonWorkProgram(sample);
    ASSERT_TRUE(notice.isVisible());

    // Cancelled first: the same notice comes back and nothing is stored.
    notice.btnAddWork->click();
    ASSERT_TRUE(add.isVisible());
    add.btn33->click();
    EXPECT_TRUE(notice.isVisible());
    EXPECT_EQ(notice.ProcessName(), "game.exe");
    EXPECT_EQ(notice.ProgramName(), Utf8ToGbk("小游戏"));
    EXPECT_EQ(notice.ProcessId(), 4242u);
    EXPECT_EQ(Count(), "0");

    notice.btnAddWork->click();
    EXPECT_FALSE(notice.isVisible());
    ASSERT_TRUE(add.isVisible());
    add.btn32->click();
    EXPECT_FALSE(add.isVisible());
    EXPECT_FALSE(notice.isVisible());
    const auto row = Row("game.exe");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0][0], Utf8ToGbk("小游戏"));
    EXPECT_EQ(row[0][2], "1");

    // The next sample of that program raises nothing; the work-program page lists it.
    handler.CheckNonWorkProgram(sample);
    EXPECT_FALSE(notice.isVisible());
    TWorkProgramPage page(host_, settings_);
    page.FillPage();
    EXPECT_EQ(Items(page.sLB2), (QStringList{QStringLiteral("小游戏")}));

    // Another program is still reacted to.
    const TForegroundInfo other{"other.exe", "Other", 0, 1};
    handler.CheckNonWorkProgram(other);
    EXPECT_TRUE(notice.isVisible());
}

TEST_F(CataloguePages, AddingACataloguedProcessFromTheNoticeMarksThatEntry) {
    // The process is catalogued under another program name; another process's entry is named like the
    // window caption.
    Add("game.exe", "Game", 0, "fun");
    Add("other.exe", Utf8ToGbk("小游戏"), 0);
    TfrmDealUnwork notice;
    TfrmAddWorkProgram add;
    ConnectUnworkDialogs(notice, add);
    TUnworkHandler handler(settings_, notice);
    const TForegroundInfo sample{"game.exe", Utf8ToGbk("小游戏"), 0, 4242};

    handler.CheckNonWorkProgram(sample);
    ASSERT_TRUE(notice.isVisible());
    notice.btnAddWork->click();
    ASSERT_TRUE(add.isVisible());
    add.btn32->click();
    EXPECT_FALSE(add.isVisible());
    EXPECT_FALSE(notice.isVisible());
    EXPECT_EQ(Row("game.exe"), (std::vector<std::vector<std::string>>{{"Game", "fun", "1"}}));
    EXPECT_EQ(State("other.exe"), "0");
    EXPECT_EQ(Count(), "2");

    // The next sample of that program raises nothing.
    handler.CheckNonWorkProgram(sample);
    EXPECT_FALSE(notice.isVisible());

    // A process not yet catalogued whose caption is another entry's program name: refused with the
    // reason, that entry untouched; under a name of its own it becomes a work program.
    const TForegroundInfo other{"new.exe", Utf8ToGbk("小游戏"), 0, 77};
    handler.CheckNonWorkProgram(other);
    ASSERT_TRUE(notice.isVisible());
    notice.btnAddWork->click();
    add.btn32->click();
    EXPECT_TRUE(add.isVisible());
    EXPECT_EQ(add.lblStatus->text(), QStringLiteral("该程序名称已被其他程序使用。"));
    EXPECT_EQ(State("other.exe"), "0");
    EXPECT_EQ(Count(), "2");
    add.suiEdtProgramName->setText(QStringLiteral("新游戏"));
    add.btn32->click();
    EXPECT_FALSE(add.isVisible());
    EXPECT_EQ(Row("new.exe"), (std::vector<std::vector<std::string>>{{Utf8ToGbk("新游戏"), "", "1"}}));
    EXPECT_EQ(State("other.exe"), "0");
    handler.CheckNonWorkProgram(sample);
    EXPECT_FALSE(notice.isVisible());
}

TEST_F(CataloguePages, ClosedConnectionCountsEverySampleAsNonWork) {
    Add("game.exe", "Game", 1);
    TfrmDealUnwork notice;
    TUnworkHandler handler(settings_, notice);
    const TForegroundInfo sample{"game.exe", "Game", 0, 1};
    handler.CheckNonWorkProgram(sample);
    EXPECT_FALSE(notice.isVisible());
    db_->CloseConnection();
    handler.CheckNonWorkProgram(sample);
    EXPECT_TRUE(notice.isVisible());
}

} // namespace

namespace {

// The add dialog offers the processes sampled lately, most frequent first, then the programs on screen;
// choosing one fills the process name and proposes a program name; typed text is kept as typed.
TEST_F(CataloguePages, AddDialogOffersSampledAndOnScreenProcesses) {
    auto& fake = vh::test::FakeWindowSystem::Install();
    fake.AddProcess(10, "gedit");
    fake.AddProcess(11, "soffice.bin");
    fake.AddWindow(1, Utf8ToGbk("无标题文档 - gedit"), 10);
    fake.AddWindow(2, Utf8ToGbk("季度报告.odt - LibreOffice Writer"), 11);
    vh::test::TestClock clock(vh::test::At(2024, 3, 2, 12, 0, 0));
    ASSERT_EQ(TDBFunc::InsertSample("2023-10-01 09:00:00", "old", "old.exe", ""),
              TWriteResult::Done); // outside the recent window
    ASSERT_EQ(TDBFunc::InsertSample("2024-03-01 09:00:00", Utf8ToGbk("预算.ods - LibreOffice Calc"), "soffice.bin", ""),
              TWriteResult::Done);
    ASSERT_EQ(TDBFunc::InsertSample("2024-03-01 09:01:00", "t", "xterm", ""), TWriteResult::Done);
    ASSERT_EQ(TDBFunc::InsertSample("2024-03-01 09:02:00", "t", "xterm", ""), TWriteResult::Done);

    TfrmAddWorkProgram add;
    add.SetMode(vh::catalogue::AddMode::Catalogue);
    add.Prefill("", "", "");
    add.suiEdtprocessname->setText(QStringLiteral("typed.ex"));
    add.show();
    QStringList offered;
    for (int i = 0; i < add.cbxProcess->count(); ++i)
        offered << add.cbxProcess->itemData(i).toString();
    EXPECT_EQ(offered, (QStringList{"xterm", "soffice.bin", "gedit"}));
    EXPECT_EQ(add.suiEdtprocessname->text(), QStringLiteral("typed.ex"));

    emit add.cbxProcess->activated(1);
    EXPECT_EQ(add.suiEdtprocessname->text(), QStringLiteral("soffice.bin"));
    // The caption of its latest sample, without the document's name.
    EXPECT_EQ(add.suiEdtProgramName->text(), QStringLiteral("LibreOffice Calc"));
    emit add.cbxProcess->activated(2);
    EXPECT_EQ(add.suiEdtprocessname->text(), QStringLiteral("gedit"));
    EXPECT_EQ(add.suiEdtProgramName->text(), QStringLiteral("gedit"));

    // What is stored is what the fields hold.
    add.suiEdtProgramName->setText(QStringLiteral("文本编辑器"));
    add.btn32->click();
    const TRead<TProgramInfo> stored = TDBFunc::GetProgramInfo(Utf8ToGbk("文本编辑器"));
    ASSERT_EQ(stored.outcome, TReadOutcome::Rows);
    EXPECT_EQ(stored.rows[0].processName, "gedit");
    vh::platform::SetWindowSystem(nullptr);
}

} // namespace
