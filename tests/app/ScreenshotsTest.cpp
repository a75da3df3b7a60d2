// A picture of every page and dialog as users see them: the real X server (Xvfb with openbox, the fonts
// of the machine), a real database with Chinese samples, a real analysis. The pictures go to
// build/screenshots/ for a person to look at (scripts/screenshots copies them to docs/screenshots/).
#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimeEdit>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

#include "analysis/StatisticPage.h"
#include "app/Assembly.h"
#include "app/Unit1.h"
#include "app/uInfoFrm.h"
#include "catalogue/uAddProgram.h"
#include "monitor/uDealUnwork.h"
#include "monitor/uInformSet.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "settings/uLogin.h"
#include "storage/uDBFunc.h"
#include "support/TestClock.h"
#include "support/TestDatabase.h"
#include "support/XvfbFixture.h"
#include "toolkit/Skin.h"

namespace {

std::string G(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

// The X server must exist before the application connects to it.
class XvfbQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        x_ = std::make_unique<vh::test::XvfbFixture>(true, 275, 279);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        static int argc = 1;
        static char arg0[] = "screenshots";
        static char* argv[] = {arg0, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        vh::skin::ApplySkin(*app_);
    }
    void TearDown() override {
        app_.reset();
        x_.reset();
    }

private:
    std::unique_ptr<vh::test::XvfbFixture> x_;
    std::unique_ptr<QApplication> app_;
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new XvfbQtEnvironment);

class Screenshots : public ::testing::Test {
protected:
    void SetUp() override {
        const char* bin = std::getenv("VH_BINARY_DIR");
        dir_ = QString::fromLocal8Bit(bin ? bin : ".") + QStringLiteral("/screenshots");
        ASSERT_TRUE(QDir().mkpath(dir_));
        db_.App().WriteFile("Config.ini", "[Security]\r\nStartPasswd=0\r\n[System]\r\nAutoMinimize=0\r\nunwork=3\r\n"
                                          "[OtherSettings]\r\nAutoUpdate=0\r\n");
        // A working day of samples, one a minute.
        const std::pair<const char*, const char*> groups[] = {
            {"季度报告.odt - LibreOffice Writer", "soffice.bin"},
            {"问题列表 - Mozilla Firefox", "firefox-esr"},
            {"收件箱 - 邮件 - Thunderbird", "thunderbird"},
            {"终端 - 编译", "xterm"},
            {"预算, 第一季度 \"草稿\".ods", "soffice.bin"},
            {"计算器", "gnome-calculator"},
            {"音乐播放器", "rhythmbox"},
            {"文件管理器", "nautilus"},
        };
        const int minutes[] = {96, 64, 40, 30, 24, 8, 6, 4};
        int minute = 9 * 60;
        for (int g = 0; g < 8; ++g)
            for (int i = 0; i < minutes[g]; ++i, ++minute) {
                char t[32];
                std::snprintf(t, sizeof t, "2026-03-02 %02d:%02d:00", minute / 60, minute % 60);
                ASSERT_EQ(TDBFunc::InsertSample(t, G(groups[g].first), groups[g].second, ""), TWriteResult::Done);
            }
        ASSERT_EQ(TDBFunc::InsertProgram("soffice.bin", G("文字处理"), G("写报告")), TWriteResult::Done);
        ASSERT_EQ(TDBFunc::InsertProgram("xterm", G("终端"), ""), TWriteResult::Done);
        ASSERT_EQ(TDBFunc::InsertProgram("firefox-esr", G("网页浏览器"), ""), TWriteResult::Done);
        ASSERT_EQ(TDBFunc::InsertProgram("thunderbird", G("邮件"), ""), TWriteResult::Done);
        ASSERT_EQ(TDBFunc::SetProgramState(1, G("文字处理")), TWriteResult::Done);
        ASSERT_EQ(TDBFunc::SetProgramState(1, G("终端")), TWriteResult::Done);

        form_ = std::make_unique<TForm1>();
        assembly_ = std::make_unique<TAppAssembly>(*form_);
        assembly_->CreateDialogs();
        form_->SetTipText(G("一生的去向，在你下定决心的那一刻便已写定。--林远舟"));
        form_->show();
        Settle();
    }
    void TearDown() override {
        assembly_.reset();
        form_.reset();
    }

    static void Settle() {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }

    // The window itself, not the screen around it.
    void Save(QWidget* w, const char* name) {
        Settle();
        const QImage image = w->grab().toImage();
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_TRUE(image.save(dir_ + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png"))) << name;
    }

    vh::test::TestDatabase db_;
    vh::test::TestClock clock_{vh::test::At(2026, 3, 2, 17, 30, 0)};
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<TAppAssembly> assembly_;
    QString dir_;
};

TEST_F(Screenshots, EveryPageAndDialog) {
    const std::pair<vh::Page, const char*> pages[] = {
        {vh::Page::Main, "main"},
        {vh::Page::Guide, "guide"},
        {vh::Page::About, "about"},
        {vh::Page::Donation, "donation"},
        {vh::Page::MonitorSetting, "monitor_setting"},
        {vh::Page::WorkSet, "work_programs"},
        {vh::Page::ProgramManage, "program_management"},
        {vh::Page::SystemSetting, "system_settings"},
        {vh::Page::Password, "password"},
    };
    for (const auto& [page, file] : pages) {
        form_->OpenPage(page);
        Save(form_.get(), file);
    }

    // A real analysis of the day.
    form_->OpenPage(vh::Page::Statistic);
    auto* stat = qobject_cast<TStatisticPage*>(form_->PageWidget(vh::Page::Statistic));
    ASSERT_NE(stat, nullptr);
    stat->dtp1->setDate(QDate(2026, 3, 2));
    stat->dtp2->setTime(QTime(0, 0, 0));
    stat->dtp3->setDate(QDate(2026, 3, 2));
    stat->dtp4->setTime(QTime(23, 59, 59));
    stat->btn9->click();
    ASSERT_EQ(stat->sLV1->rowCount(), 7); // two captions of one process
    Save(form_.get(), "analysis");

    // The same page over two weeks, day by day: weekends without samples.
    for (int day = 16; day <= 28; ++day) {
        if (day == 21 || day == 22 || day == 28)
            continue;
        for (int i = 0; i < 40 + (day * 7) % 30; ++i) {
            char t[32];
            std::snprintf(t, sizeof t, "2026-02-%02d %02d:%02d:00", day, 9 + i / 60, i % 60);
            const char* process = i % 5 < 3 ? "soffice.bin" : (i % 5 == 3 ? "xterm" : "firefox-esr");
            ASSERT_EQ(TDBFunc::InsertSample(t, "t", process, ""), TWriteResult::Done);
        }
    }
    stat->dtp1->setDate(QDate(2026, 2, 16));
    stat->btnShowDays->click();
    stat->btn9->click();
    ASSERT_TRUE(stat->chtDays->isVisible());
    Save(form_.get(), "analysis_days");
    stat->btnShowShares->click();

    // The dialogs, each as it is shown.
    TFrmInfo info;
    info.SetTexts(G("信息"), G("配置已经生效"));
    info.show();
    Save(&info, "notice");
    info.hide();

    TFrmLogin login;
    login.show();
    Save(&login, "login");
    login.hide();

    TfrmDealUnwork* deal = assembly_->DealUnwork();
    deal->ShowUnworkNotice(G("注意哦"), G("您现在处理的是否是重要的事情呢？是否应该做一些更为重要的事情?"), 3,
                           "firefox-esr", G("问题列表 - Mozilla Firefox"), 4242, vh::Now());
    Save(deal, "nonwork_notice");
    deal->hide();

    TfrmInformSet* inform = assembly_->InformSet();
    inform->show();
    Save(inform, "reminder_text");
    inform->hide();

    TfrmAddWorkProgram* add = assembly_->AddWorkProgram();
    add->SetMode(vh::catalogue::AddMode::Catalogue);
    add->Prefill("", "", "");
    add->show();
    ASSERT_GT(add->cbxProcess->count(), 0);
    add->cbxProcess->setCurrentIndex(0);
    emit add->cbxProcess->activated(0);
    Save(add, "add_program");
    add->hide();
}

} // namespace
