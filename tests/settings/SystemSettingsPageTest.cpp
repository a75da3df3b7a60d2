// The system-settings page on a real settings file, a real autostart folder and the real timers.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/Autorun.h"
#include "platform/ProfileString.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"
#include "settings/SystemSettingsPage.h"
#include "settings/TimerSettings.h"
#include "support/ErrorCapture.h"
#include "support/FakePageHost.h"
#include "support/QtApp.h"
#include "support/TempFolder.h"
#include "toolkit/TTimer.h"

namespace fs = std::filesystem;

namespace {

std::string G(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

class SystemSettingsPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
        config_ = dir_ + "/Config.ini";
        settings_.SetSettingsPath(config_);
        page_ = std::make_unique<TSystemSettingsPage>(host_, settings_, nullptr);
        // As the assembly wires them: the timers follow what the page writes.
        FollowTimerSettings(settings_, host_);
    }
    void TearDown() override {
        page_.reset();
        ::unsetenv("XDG_CONFIG_HOME");
    }

    std::string Value(const char* section, const char* key) {
        return vh::platform::ReadProfileString(config_, section, key, "<missing>");
    }
    std::vector<std::string> NoticeTexts() const {
        std::vector<std::string> out;
        for (const auto& n : host_.notices)
            out.push_back(n.text);
        return out;
    }
    void Click(QPushButton* button) { button->click(); }

    vh::test::TempFolder folder_;
    const std::string dir_ = folder_.Path();
    std::string config_;
    TSettingsAccessor settings_;
    vh::test::FakePageHost host_;
    vh::test::ErrorCapture errors_;
    std::unique_ptr<TSystemSettingsPage> page_;
};

TEST_F(SystemSettingsPageTest, PageCarriesItsNamesAndCaptions) {
    EXPECT_EQ(page_->objectName(), vh::PageName(vh::Page::SystemSetting));
    const std::pair<const char*, const char*> boxes[] = {
        {"suiCboxAutoRun", "系统启动时自动运行"},
        {"suiCboxAutoMinimize", "软件登录后自动最小化"},
        {"suiCboxAutoTask", "若已经设定进行时间分析，则软件启动后自动运行，不进行提示"},
        {"suiCboxStartPasswd", "软件启动时输入密码"},
        {"suiCboxRestorePasswd", "软件界面从最小化恢复时输入密码"},
        {"scb1", "软件输入密码才能退出"},
        {"scb2", "启用系统自动更新"},
    };
    for (const auto& [name, caption] : boxes) {
        auto* box = page_->findChild<QCheckBox*>(name);
        ASSERT_NE(box, nullptr) << name;
        EXPECT_EQ(box->text(), QString::fromUtf8(caption));
    }
    const std::pair<const char*, const char*> buttons[] = {{"btn10", "清除"}, {"btn11", "应用"}, {"btn16", "密码设定"}};
    for (const auto& [name, caption] : buttons) {
        auto* button = page_->findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), QString::fromUtf8(caption));
    }
    EXPECT_NE(page_->findChild<QLineEdit*>("suiNumberEdit1"), nullptr);
}

TEST_F(SystemSettingsPageTest, LoadShowsTheFileWithEverySwitchOnByDefault) {
    page_->LoadSystemSettings();
    for (QCheckBox* box : {page_->suiCboxAutoRun, page_->suiCboxAutoMinimize, page_->suiCboxAutoTask,
                           page_->suiCboxStartPasswd, page_->suiCboxRestorePasswd, page_->scb1, page_->scb2})
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_EQ(page_->suiNumberEdit1->text(), "60");
    EXPECT_FALSE(vh::platform::AutorunEntryExists()); // the page shows the file, never the entry

    std::ofstream(config_) << "[System]\nAutoRun=0\nAutoTask=0\n[Security]\nExitPasswd=0\n"
                              "[OtherSettings]\nAutoUpdate=0\nTipInterval=15\n";
    page_->LoadSystemSettings();
    EXPECT_FALSE(page_->suiCboxAutoRun->isChecked());
    EXPECT_TRUE(page_->suiCboxAutoMinimize->isChecked());
    EXPECT_FALSE(page_->suiCboxAutoTask->isChecked());
    EXPECT_TRUE(page_->suiCboxStartPasswd->isChecked());
    EXPECT_FALSE(page_->scb1->isChecked());
    EXPECT_FALSE(page_->scb2->isChecked());
    EXPECT_EQ(page_->suiNumberEdit1->text(), "15");
}

TEST_F(SystemSettingsPageTest, ApplyStoresThePageAndPutsItIntoEffect) {
    page_->LoadSystemSettings();
    page_->suiCboxAutoTask->setChecked(false);
    page_->scb1->setChecked(false);
    page_->suiNumberEdit1->setText("  30 ");
    Click(page_->btn11);

    EXPECT_EQ(Value("System", "AutoRun"), "1");
    EXPECT_EQ(Value("System", "AutoMinimize"), "1");
    EXPECT_EQ(Value("System", "AutoTask"), "0");
    EXPECT_EQ(Value("Security", "StartPasswd"), "1");
    EXPECT_EQ(Value("Security", "RestorePasswd"), "1");
    EXPECT_EQ(Value("Security", "ExitPasswd"), "0");
    EXPECT_EQ(Value("OtherSettings", "AutoUpdate"), "1");
    EXPECT_EQ(Value("OtherSettings", "TipInterval"), "30");
    EXPECT_TRUE(host_.TimerOf(vh::Timer::Update).IsActive());
    EXPECT_TRUE(host_.TimerOf(vh::Timer::Tips).IsActive());
    EXPECT_EQ(host_.TimerOf(vh::Timer::Tips).Interval(), 30000);
    ASSERT_EQ(host_.notices.size(), 1u);
    EXPECT_EQ(host_.notices[0].caption, G("信息"));
    EXPECT_EQ(host_.notices[0].text, G("所做设定已生效."));

    // The entry starts this very program.
    ASSERT_TRUE(vh::platform::AutorunEntryExists());
    const std::string entry = dir_ + "/config/autostart/Varnholt.desktop";
    EXPECT_EQ(std::system(("desktop-file-validate '" + entry + "'").c_str()), 0);
    std::ifstream in(entry);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Exec=" + fs::read_symlink("/proc/self/exe").string() + "\n"), std::string::npos) << text;

    page_->scb2->setChecked(false);
    page_->suiCboxAutoRun->setChecked(false);
    Click(page_->btn11);
    EXPECT_FALSE(host_.TimerOf(vh::Timer::Update).IsActive());
    EXPECT_FALSE(host_.TimerOf(vh::Timer::Update).Enabled());
    EXPECT_EQ(Value("OtherSettings", "AutoUpdate"), "0");
    EXPECT_EQ(Value("System", "AutoRun"), "0");
    EXPECT_FALSE(vh::platform::AutorunEntryExists());
}

TEST_F(SystemSettingsPageTest, ClearThenApplyKeepsExitPasswordAndUpdatesAndTurnsTheRestOff) {
    page_->LoadSystemSettings();
    Click(page_->btn11);
    ASSERT_TRUE(vh::platform::AutorunEntryExists());
    const std::string before = [&] {
        std::ifstream in(config_);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }();

    Click(page_->btn10);
    {
        std::ifstream in(config_);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), before)
            << "clear writes nothing";
    }
    EXPECT_TRUE(page_->scb1->isChecked());
    EXPECT_TRUE(page_->scb2->isChecked());
    EXPECT_EQ(page_->suiNumberEdit1->text(), "60");
    Click(page_->btn11);

    for (auto [section, key] : {std::pair{"System", "AutoRun"},
                                {"System", "AutoMinimize"},
                                {"System", "AutoTask"},
                                {"Security", "StartPasswd"},
                                {"Security", "RestorePasswd"}})
        EXPECT_EQ(Value(section, key), "0") << key;
    EXPECT_EQ(Value("Security", "ExitPasswd"), "1");
    EXPECT_EQ(Value("OtherSettings", "AutoUpdate"), "1");
    EXPECT_FALSE(vh::platform::AutorunEntryExists());
}

TEST_F(SystemSettingsPageTest, IntervalThatIsNoIntegerStopsAfterTheSwitches) {
    for (const char* text : {"abc", "", " 1.5 ", "99999999999"}) {
        SCOPED_TRACE(text);
        std::ofstream(config_, std::ios::trunc) << "[OtherSettings]\nTipInterval=45\n";
        host_.notices.clear();
        errors_.clear();
        vh::TTimer& tips = host_.TimerOf(vh::Timer::Tips);
        tips.SetInterval(45000);
        tips.Start();
        page_->LoadSystemSettings();
        page_->scb2->setChecked(false);
        page_->suiNumberEdit1->setText(QString::fromUtf8(text));
        Click(page_->btn11);

        const std::string trimmed = vh::text::Trim(text);
        EXPECT_TRUE(host_.notices.empty());
        EXPECT_EQ(errors_.errors(), std::vector<std::string>{"'" + trimmed + "' is not a valid integer value"});
        EXPECT_EQ(Value("OtherSettings", "TipInterval"), "45");
        EXPECT_EQ(tips.Interval(), 45000);
        // Steps before the conversion stay done.
        EXPECT_EQ(Value("System", "AutoRun"), "1");
        EXPECT_EQ(Value("OtherSettings", "AutoUpdate"), "0");
        EXPECT_FALSE(host_.TimerOf(vh::Timer::Update).Enabled());
    }
}

TEST_F(SystemSettingsPageTest, RefusedAutostartEntryIsReportedAndTheApplyGoesOn) {
    fs::create_directories(dir_ + "/config");
    std::ofstream(dir_ + "/config/autostart") << "a file where the folder should be";
    page_->LoadSystemSettings();
    Click(page_->btn11);
    ASSERT_EQ(host_.notices.size(), 2u);
    EXPECT_EQ(host_.notices[0].caption, G("错误"));
    EXPECT_EQ(host_.notices[0].text, G("注册表写入错误"));
    EXPECT_EQ(host_.notices[1].caption, G("信息"));
    EXPECT_EQ(host_.notices[1].text, G("所做设定已生效."));
    EXPECT_EQ(Value("System", "AutoRun"), "1");
    EXPECT_EQ(Value("OtherSettings", "TipInterval"), "60");
    EXPECT_FALSE(vh::platform::AutorunEntryExists());
    page_->suiCboxAutoRun->setChecked(false);
    page_->LoadSystemSettings();
    EXPECT_TRUE(page_->suiCboxAutoRun->isChecked());

    // Switching it off is quiet even though there is nothing to remove.
    host_.notices.clear();
    page_->suiCboxAutoRun->setChecked(false);
    Click(page_->btn11);
    EXPECT_EQ(NoticeTexts(), (std::vector<std::string>{G("所做设定已生效.")}));
}

TEST_F(SystemSettingsPageTest, UnwritableSettingsFileEndsTheApplyWithItsError) {
    fs::create_directory(config_); // a folder where the file should be
    page_->LoadSystemSettings();
    Click(page_->btn11);
    EXPECT_TRUE(host_.notices.empty());
    ASSERT_EQ(errors_.errors().size(), 1u);
    EXPECT_EQ(errors_.errors()[0], "Unable to write to " + config_);
    EXPECT_FALSE(vh::platform::AutorunEntryExists());
}

TEST_F(SystemSettingsPageTest, IntervalZeroOrBelowShowsNoTip) {
    int ticks = 0;
    vh::TTimer& tips = host_.TimerOf(vh::Timer::Tips);
    QObject::connect(&tips, &vh::TTimer::OnTimer, [&] { ++ticks; });
    for (const char* text : {"0", "-5"}) {
        SCOPED_TRACE(text);
        page_->LoadSystemSettings();
        page_->suiNumberEdit1->setText(text);
        Click(page_->btn11);
        EXPECT_EQ(Value("OtherSettings", "TipInterval"), text);
        EXPECT_FALSE(tips.IsActive());
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 300)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(ticks, 0);
    }
}

TEST_F(SystemSettingsPageTest, NewIntervalKeepsTheRotationWhereItWas) {
    // The rotation lives beside the timer (the assembly's tips); only the timer restarts.
    const std::vector<std::string> rotation = {"A", "B", "C"};
    std::size_t next = 0;
    std::vector<std::string> shown;
    vh::TTimer& tips = host_.TimerOf(vh::Timer::Tips);
    QObject::connect(&tips, &vh::TTimer::OnTimer, [&] { shown.push_back(rotation[next++ % rotation.size()]); });
    emit tips.OnTimer();
    emit tips.OnTimer();
    page_->LoadSystemSettings();
    page_->suiNumberEdit1->setText("1");
    Click(page_->btn11);
    EXPECT_EQ(tips.Interval(), 1000);
    QElapsedTimer clock;
    clock.start();
    while (shown.size() < 4 && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(shown, (std::vector<std::string>{"A", "B", "C", "A"}));
}

TEST_F(SystemSettingsPageTest, AwayDetectionIsStoredWithThePageOrSaysWhyNot) {
    page_->SetPresenceSupport([] { return vh::platform::PresenceSupport{vh::platform::PresenceGap::None, {}}; });
    page_->LoadSystemSettings();
    EXPECT_FALSE(page_->cbxAway->isChecked()); // off unless the user turns it on
    EXPECT_FALSE(page_->spnAwayMinutes->isEnabled());
    EXPECT_TRUE(page_->cbxAway->isEnabled());
    page_->cbxAway->setChecked(true);
    page_->spnAwayMinutes->setValue(15);
    Click(page_->btn11);
    EXPECT_EQ(Value("System", "AwayMinutes"), "15");
    page_->LoadSystemSettings();
    EXPECT_TRUE(page_->cbxAway->isChecked());
    EXPECT_EQ(page_->spnAwayMinutes->value(), 15);
    page_->cbxAway->setChecked(false);
    Click(page_->btn11);
    EXPECT_EQ(Value("System", "AwayMinutes"), "0");

    // A desktop that cannot tell: the switch is disabled and the page says why.
    page_->SetPresenceSupport([] {
        return vh::platform::PresenceSupport{vh::platform::PresenceGap::NoIdleProtocol, "no idle protocol"};
    });
    page_->LoadSystemSettings();
    EXPECT_FALSE(page_->cbxAway->isEnabled());
    EXPECT_TRUE(page_->lblAwayUnavailable->isVisibleTo(page_.get()));
    EXPECT_EQ(page_->lblAwayUnavailable->text(),
              QStringLiteral("本桌面的窗口管理器不提供空闲时间，无法检测是否离开。"));
}

TEST_F(SystemSettingsPageTest, PasswordButtonOpensThePasswordPage) {
    Click(page_->btn16);
    EXPECT_EQ(host_.openedPages, (std::vector<vh::Page>{vh::Page::Password}));
    EXPECT_TRUE(host_.notices.empty());
}

} // namespace
