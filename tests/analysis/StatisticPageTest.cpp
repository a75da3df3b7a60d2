#include <QBarSet>
#include <QChartView>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedBarSeries>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "PageSupport.h"
#include "platform/Clock.h"
#include "storage/Backup.h"
#include "support/TestClock.h"

using namespace vh::test;

namespace {

void ClickHeader(TStatisticPage& page, int column) {
    QHeaderView* header = page.sLV1->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + 8, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

QString Names(const Pairs& rows) {
    QStringList names;
    for (const auto& r : rows)
        names << r.second;
    return names.join(',');
}

} // namespace

TEST_F(StatisticPageFixture, SharesFollowTheFirstSampleOfEachProcess) {
    Sample("2024-03-02 10:00:00", "游戏", "game.exe");
    Sample("2024-03-02 10:01:00", "代码", "code.exe");
    Sample("2024-03-02 10:02:00", "代码", "code.exe");
    Sample("2024-03-02 10:03:00", "代码", "code.exe");
    SetRange("2024-03-02 00:00:00", "2024-03-02 23:59:59");
    page->btn9->click();

    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(Slices(), (Pairs{{"25 %", "game.exe"}, {"75 %", "code.exe"}}));
    EXPECT_EQ(Rows(), (Pairs{{"25 %", "game.exe"}, {"75 %", "code.exe"}}));
    const auto slices = page->pieS1TimeUse->slices();
    EXPECT_EQ(slices[0]->value(), 1);
    EXPECT_EQ(slices[1]->value(), 3);
    EXPECT_NE(slices[0]->color(), slices[1]->color());
    EXPECT_TRUE(slices[0]->isLabelVisible());
}

TEST_F(StatisticPageFixture, CaptionGroupsMergeBlanksProcessGroupsKeepCase) {
    Sample("2024-03-02 10:00:00", " 记事本 ", "notepad.exe");
    Sample("2024-03-02 10:01:00", "记事本", "NOTEPAD.EXE");
    Sample("2024-03-02 10:02:00", "记事本  ", "notepad.exe");
    Sample("2024-03-02 10:03:00", "记事本 - 文档", "notepad.exe");
    SetRange("2024-03-02 10:00:00", "2024-03-02 10:03:00");

    EXPECT_TRUE(page->suiRbtn4->isChecked());
    page->btn9->click();
    EXPECT_EQ(Rows(), (Pairs{{"75 %", "notepad.exe"}, {"25 %", "NOTEPAD.EXE"}}));

    page->suiRbtn3->click();
    EXPECT_FALSE(page->suiRbtn4->isChecked());
    page->btn9->click();
    EXPECT_EQ(Rows(), (Pairs{{"75 %", U("记事本")}, {"25 %", U("记事本 - 文档")}}));
    EXPECT_EQ(Slices(), Rows());
    EXPECT_TRUE(host.notices.empty());
}

TEST_F(StatisticPageFixture, EqualBoundsMatchExactlyThatSecond) {
    Sample("2024-03-02 09:59:59", "a", "before.exe");
    Sample("2024-03-02 10:00:00", "b", "at.exe");
    Sample("2024-03-02 10:00:01", "c", "after.exe");
    SetRange("2024-03-02 10:00:00", "2024-03-02 10:00:00");
    EXPECT_EQ(page->FormatRangeBounds().from, "2024-03-02 10:00:00");
    EXPECT_EQ(page->FormatRangeBounds().to, "2024-03-02 10:00:00");
    page->btn9->click();
    EXPECT_EQ(Rows(), (Pairs{{"100 %", "at.exe"}}));
}

TEST_F(StatisticPageFixture, NoDataTellsTheUserAndEmptiesChartAndList) {
    Sample("2024-03-02 10:00:00", "a", "a.exe");
    Sample("2024-03-02 11:00:00", "b", "b.exe");
    SetRange("2024-03-02 00:00:00", "2024-03-03 00:00:00");
    page->btn9->click();
    ASSERT_EQ(Rows().size(), 2u);

    // The start bound after the end bound finds nothing.
    SetRange("2024-03-02 12:00:00", "2024-03-02 09:00:00");
    page->btn9->click();
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].caption, Gbk("信息"));
    EXPECT_EQ(host.notices[0].text, Gbk("选定时间内没有监视数据"));
    EXPECT_EQ(page->pieS1TimeUse->count(), 0);
    EXPECT_EQ(page->sLV1->rowCount(), 0);
}

TEST_F(StatisticPageFixture, OpeningThePageAnalysesFromNowToNow) {
    vh::test::TestClock clock(vh::test::At(2024, 3, 2, 9, 5, 3));
    Sample("2024-03-02 09:05:02", "a", "a.exe");
    page->ResetAnalysisRange();
    EXPECT_EQ(page->FormatRangeBounds().from, "2024-03-02 09:05:03");
    EXPECT_EQ(page->FormatRangeBounds().to, "2024-03-02 09:05:03");
    page->btn9->click();
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].text, Gbk("选定时间内没有监视数据"));

    Sample("2024-03-02 09:05:03", "b", "b.exe");
    page->btn9->click();
    EXPECT_EQ(Rows(), (Pairs{{"100 %", "b.exe"}}));
}

TEST_F(StatisticPageFixture, FailedQueryKeepsChartAndListSilently) {
    Sample("2024-03-02 10:00:00", "a", "a.exe");
    Sample("2024-03-02 10:01:00", "b", "b.exe");
    SetRange("2024-03-02 00:00:00", "2024-03-02 23:59:59");
    page->btn9->click();
    const Pairs before = Rows();
    ASSERT_EQ(before.size(), 2u);

    db->CloseConnection();
    page->btn9->click();
    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(Rows(), before);
    EXPECT_EQ(Slices(), before);
}

TEST_F(StatisticPageFixture, HeaderClicksShareOneDirection) {
    Sample("2024-03-02 10:00:00", "", "B.exe");
    for (const char* t : {"2024-03-02 10:01:00", "2024-03-02 10:02:00", "2024-03-02 10:03:00"})
        Sample(t, "", "a.exe");
    Sample("2024-03-02 10:04:00", "", "C.exe");
    Sample("2024-03-02 10:05:00", "", "C.exe");
    SetRange("2024-03-02 00:00:00", "2024-03-02 23:59:59");
    page->btn9->click();
    EXPECT_EQ(Names(Rows()), "B.exe,a.exe,C.exe");

    ClickHeader(*page, 1); // first click: descending
    EXPECT_EQ(Rows(), (Pairs{{"50 %", "a.exe"}, {"33.33 %", "C.exe"}, {"16.67 %", "B.exe"}}));
    ClickHeader(*page, 2); // next click, any column: ascending, letter case ignored
    EXPECT_EQ(Names(Rows()), "a.exe,B.exe,C.exe");
    ClickHeader(*page, 2);
    EXPECT_EQ(Names(Rows()), "C.exe,B.exe,a.exe");
    // The colour column compares empty captions: every row ties and the order stays.
    ClickHeader(*page, 0);
    EXPECT_EQ(Names(Rows()), "C.exe,B.exe,a.exe");

    // The direction outlives an analysis: after four clicks it is ascending again, so the next is descending.
    page->btn9->click();
    EXPECT_EQ(Names(Rows()), "B.exe,a.exe,C.exe");
    ClickHeader(*page, 1);
    EXPECT_EQ(Names(Rows()), "a.exe,C.exe,B.exe");
    // Sorting moved rows only: the slices keep their order.
    EXPECT_EQ(Names(Slices()), "B.exe,a.exe,C.exe");
}

// Clearing asks first, says that a copy is kept, makes it, and only then deletes; without a copy it
// deletes nothing.
TEST_F(StatisticPageFixture, ClearingAllRecordsAsksKeepsACopyAndKeepsTheChart) {
    Sample("2024-03-02 10:00:00", "a", "a.exe");
    Sample("2024-03-02 10:01:00", "b", "b.exe");
    SetRange("2024-03-02 00:00:00", "2024-03-02 23:59:59");
    page->btn9->click();
    const Pairs shown = Rows();

    host.answer = false;
    page->btn19->click();
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].caption, Gbk("信息"));
    EXPECT_EQ(host.notices[0].text, Gbk("您确认要清除所有的数据么?清除前会先在backup文件夹中保存一份数据库的副本。"));
    EXPECT_EQ(StoredSamples(), 2);

    // A backup folder that cannot be made (a file in its place): nothing is deleted, and the page says so.
    db->App().WriteFile("backup", "not a folder");
    host.answer = true;
    page->btn19->click();
    ASSERT_EQ(host.notices.size(), 3u);
    EXPECT_EQ(host.notices[2].caption, Gbk("错误"));
    EXPECT_EQ(host.notices[2].text.rfind(Gbk("无法保存数据库的副本，记录没有删除："), 0), 0u);
    EXPECT_EQ(StoredSamples(), 2);

    std::filesystem::remove(db->App().Path("backup"));
    host.notices.clear();
    page->btn19->click();
    EXPECT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(StoredSamples(), 0);
    // The copy holds what was there.
    const std::string copy = vh::storage::BackupFolderFor(db->DatabasePath()) + "/" +
                             vh::storage::BackupFileName(db->DatabasePath(), vh::Now());
    EXPECT_TRUE(std::filesystem::exists(copy)) << copy;
    EXPECT_EQ(Rows(), shown);
    EXPECT_EQ(Slices(), shown);

    page->btn9->click();
    ASSERT_EQ(host.notices.size(), 2u);
    EXPECT_EQ(host.notices[1].text, Gbk("选定时间内没有监视数据"));
    EXPECT_EQ(page->sLV1->rowCount(), 0);
}

TEST_F(StatisticPageFixture, ColourCellsShowExactlyTheirSliceColour) {
    // More groups than the palette has colours, so colours repeat and the ring closes on a repeat.
    constexpr int groups = 17;
    for (int g = 0; g < groups; ++g)
        for (int k = 0; k <= g % 3; ++k) {
            const std::string t =
                "2024-03-02 10:" + std::string(g < 10 ? "0" : "") + std::to_string(g) + ":0" + std::to_string(k);
            Sample(t.c_str(), "", ("p" + std::to_string(g) + ".exe").c_str());
        }
    SetRange("2024-03-02 00:00:00", "2024-03-02 23:59:59");
    page->btn9->click();
    const auto slices = page->pieS1TimeUse->slices();
    ASSERT_EQ(slices.size(), groups);
    for (int i = 0; i < groups; ++i)
        EXPECT_NE(slices[i]->color(), slices[(i + 1) % groups]->color()) << i;

    ClickHeader(*page, 1); // rows move; each colour must move with its name
    QTableWidget* list = page->sLV1;
    for (int r = 0; r < list->rowCount(); ++r) {
        const QString name = list->item(r, 2)->text();
        QColor expected;
        for (QPieSlice* s : slices)
            if (TStatisticPage::SliceName(s) == name)
                expected = s->color();
        list->scrollToItem(list->item(r, 0));
        QApplication::processEvents();
        const QImage image = list->viewport()->grab().toImage();
        const QRect colour = list->visualRect(list->model()->index(r, 0));
        const QRect share = list->visualRect(list->model()->index(r, 1));
        EXPECT_EQ(image.pixelColor(colour.center()), expected) << name.toStdString();
        EXPECT_EQ(image.pixelColor(colour.topLeft() + QPoint(2, 2)), expected) << name.toStdString();
        // The far end of the share cell holds no text: it shows the cell's white.
        EXPECT_EQ(image.pixelColor(share.right() - 3, share.center().y()), QColor(Qt::white)) << r;
    }
}

namespace {
std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
} // namespace

// The export writes what the page shows, and on request the range's samples, as bytes a spreadsheet reads:
// byte-order mark, CRLF, captions with commas and quotes quoted, a formula kept as text.
TEST_F(StatisticPageFixture, ExportWritesTheShownSharesAndTheRangesSamples) {
    EXPECT_FALSE(page->btnExport->isEnabled());
    Sample("2024-03-02 10:00:00", "预算, 第一季度 \"草稿\"", "soffice.bin");
    Sample("2024-03-02 10:01:00", "预算, 第一季度 \"草稿\"", "soffice.bin");
    Sample("2024-03-02 10:02:00", "=1+2", "calc");
    Sample("2024-03-02 11:00:00", "outside", "x"); // after the range
    SetRange("2024-03-02 09:00:00", "2024-03-02 10:30:00");
    page->suiRbtn3->click();
    page->btn9->click();
    ASSERT_TRUE(page->btnExport->isEnabled());

    const QString path = QString::fromStdString(db->App().Path("分析.csv"));
    ASSERT_TRUE(page->ExportTo(path, false));
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(ReadBytes(path.toStdString()), bom + "名称,次数,比例(%)\r\n"
                                                   "\"预算, 第一季度 \"\"草稿\"\"\",2,66.67\r\n"
                                                   "\"'=1+2\",1,33.33\r\n");
    EXPECT_FALSE(QFileInfo::exists(TStatisticPage::SamplesPath(path)));

    ASSERT_TRUE(page->ExportTo(path, true));
    EXPECT_EQ(TStatisticPage::SamplesPath(path), QString::fromStdString(db->App().Path("分析_记录.csv")));
    EXPECT_EQ(ReadBytes(TStatisticPage::SamplesPath(path).toStdString()),
              bom + "时间,进程名,窗口标题\r\n"
                    "2024-03-02 10:00:00,soffice.bin,\"预算, 第一季度 \"\"草稿\"\"\"\r\n"
                    "2024-03-02 10:01:00,soffice.bin,\"预算, 第一季度 \"\"草稿\"\"\"\r\n"
                    "2024-03-02 10:02:00,calc,\"'=1+2\"\r\n");
    // The page shows what it showed before.
    EXPECT_EQ(page->sLV1->rowCount(), 2);
}

namespace {

// The share of the samples that went to work programs, day by day, on a real database: a work program
// whose catalogue entry differs in letter case and holds a path, days without samples, a range across
// midnight, and the per-day table of the export.
TEST_F(StatisticPageFixture, WorkShareByDayAndItsExport) {
    ASSERT_EQ(TDBFunc::InsertProgram("C:\\Tools\\SOFFICE.BIN", Gbk("文字处理"), ""), TWriteResult::Done);
    ASSERT_EQ(TDBFunc::SetProgramState(1, Gbk("文字处理")), TWriteResult::Done);
    Sample("2024-03-01 23:50:00", "t", "soffice.bin"); // before the range
    Sample("2024-03-01 23:58:00", "t", "soffice.bin");
    Sample("2024-03-01 23:59:00", "t", "firefox-esr");
    Sample("2024-03-02 00:00:00", "t", "soffice.bin");
    Sample("2024-03-02 00:01:00", "t", "soffice.bin");
    Sample("2024-03-04 09:00:00", "t", "firefox-esr");
    Sample("2024-03-04 09:01:00", "t", "游戏.exe");
    Sample("2024-03-04 12:00:00", "t", "soffice.bin"); // after the range
    SetRange("2024-03-01 23:55:00", "2024-03-04 09:30:00");
    page->btn9->click();

    const vh::analysis::WorkShare& share = page->ShownWorkShare();
    EXPECT_EQ(share.Total().work, 3);
    EXPECT_EQ(share.Total().other, 3);
    std::vector<std::string> days;
    for (const auto& d : share.days)
        days.push_back(d.label + " " + std::to_string(d.work) + "/" + std::to_string(d.other));
    EXPECT_EQ(days, (std::vector<std::string>{"2024-03-01 1/1", "2024-03-02 2/0", "2024-03-03 0/0", "2024-03-04 0/2"}));
    EXPECT_EQ(page->lblWorkShare->text(), QStringLiteral("工作占比 50 %（工作 3 次，共 6 次）"));
    page->btnShowDays->click();
    EXPECT_TRUE(page->chtDays->isVisibleTo(page.get()));
    EXPECT_FALSE(page->sLV1->isVisibleTo(page.get()));
    EXPECT_EQ(page->barsDays->barSets().size(), 2);
    EXPECT_EQ(page->barsDays->barSets()[0]->count(), 4);

    const QString path = QString::fromStdString(db->App().Path("分析.csv"));
    ASSERT_TRUE(page->ExportTo(path, false, true));
    EXPECT_EQ(TStatisticPage::DaysPath(path), QString::fromStdString(db->App().Path("分析_按日.csv")));
    EXPECT_EQ(ReadBytes(TStatisticPage::DaysPath(path).toStdString()), "\xEF\xBB\xBF"
                                                                       "日期,工作次数,其他次数,工作比例(%)\r\n"
                                                                       "2024-03-01,1,1,50\r\n"
                                                                       "2024-03-02,2,0,100\r\n"
                                                                       "2024-03-03,0,0,0\r\n"
                                                                       "2024-03-04,0,2,0\r\n");

    // A range without samples empties the figure.
    SetRange("2020-01-01 00:00:00", "2020-01-02 00:00:00");
    page->btn9->click();
    EXPECT_EQ(page->lblWorkShare->text(), QString());
}

// Long ranges are shown by week, longer ones by month.
TEST(WorkBars, DaysWeeksThenMonths) {
    std::vector<vh::analysis::WorkCount> days;
    for (int d = 1; d <= 29; ++d) // February 2024 starts on a Thursday
        days.push_back({"2024-02-" + std::string(d < 10 ? "0" : "") + std::to_string(d), d, 1});
    EXPECT_EQ(vh::analysis::WorkBars(days, 31).size(), 29u);
    const auto weeks = vh::analysis::WorkBars(days, 10);
    ASSERT_EQ(weeks.size(), 5u);
    EXPECT_EQ(weeks[0].label, "01-29"); // the Monday before
    EXPECT_EQ(weeks[0].work, 1 + 2 + 3 + 4);
    EXPECT_EQ(weeks[1].label, "02-05");
    EXPECT_EQ(weeks[1].other, 7);
    const auto months = vh::analysis::WorkBars(days, 4);
    ASSERT_EQ(months.size(), 1u);
    EXPECT_EQ(months[0].label, "2024-02");
    EXPECT_EQ(months[0].work, 29 * 30 / 2);
}

} // namespace
