#include "settings/PasswordPage.h"

#include "platform/CoreTestFiles.h"
#include "platform/Text.h"
#include "settings/PasswordHash.h"
#include "settings/SettingsAccessor.h"
#include "support/ErrorCapture.h"
#include "support/FakePageHost.h"
#include "support/QtApp.h"
#include "toolkit/QtText.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using vh::test::ReadAll;
using vh::test::WriteAll;

namespace {

const char kDelivered[] = "[Security]\r\nPasswd=3b8a85011e78b14c132c6044318a20e4\r\n";

class PasswordPage : public ::testing::Test {
protected:
    void SetUp() override {
        WriteAll(ini, kDelivered);
        settings.SetSettingsPath(ini);
    }
    void Type(const QString& oldText, const QString& newText, const QString& repeat) {
        page.edt4->setText(oldText);
        page.edt5->setText(newText);
        page.edt6->setText(repeat);
    }
    // The notices shown so far as "caption|text" in UTF-8.
    std::vector<std::string> Notices() const {
        std::vector<std::string> out;
        for (const auto& n : host.notices)
            out.push_back(vh::text::GbkToUtf8(n.caption) + "|" + vh::text::GbkToUtf8(n.text));
        return out;
    }

    vh::test::TempFolder dir;
    std::string ini = dir.File("Config.ini");
    TSettingsAccessor settings;
    vh::test::FakePageHost host;
    vh::test::ErrorCapture errors;
    TPasswordPage page{host, settings, nullptr};
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(PasswordPage, ShowsItsTextsAndHidesWhatIsTyped) {
    EXPECT_EQ(page.objectName(), "RTSTabSheet3");
    QStringList labels;
    for (auto* l : page.findChildren<QLabel*>())
        labels << l->text();
    for (const char* t :
         {"系统设定--密码设定", "软件安装时的初始密码是：qwhmzt", "旧密码：", "新密码：", "重新输入新密码 ： "})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(t))) << t;
    const auto boxes = page.findChildren<QGroupBox*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0]->title(), QString::fromUtf8("密码设定"));
    EXPECT_EQ(page.btn15->text(), QString::fromUtf8("清除"));
    EXPECT_EQ(page.btn14->text(), QString::fromUtf8("应用"));
    EXPECT_EQ(page.btn14->objectName(), "btn14");
    for (QLineEdit* e : {page.edt4, page.edt5, page.edt6}) {
        EXPECT_EQ(e->echoMode(), QLineEdit::Password);
        e->setText(QString::fromUtf8("ab密"));
        EXPECT_EQ(e->displayText(), "***");
    }
}

// Which checks run in which order is the password logic's test; the page shows the notice and keeps what
// was typed.
TEST_F(PasswordPage, ARefusalShowsItsNoticeAndTheFieldsKeepTheirText) {
    Type("wrong", "new", "new");
    page.btn14->click();
    EXPECT_EQ(Notices(), (Strings{"错误|旧密码不正确，请重新输入"}));
    EXPECT_EQ(page.edt4->text(), "wrong");
    EXPECT_EQ(page.edt5->text(), "new");
    EXPECT_EQ(page.edt6->text(), "new");
    EXPECT_TRUE(host.shownPages.empty());
    EXPECT_EQ(ReadAll(ini), kDelivered);
}

TEST_F(PasswordPage, ApplyChangesThePasswordAndShowsTheMainPage) {
    Type("qwhmzt", QString::fromUtf8(" 新密码 "), QString::fromUtf8(" 新密码 "));
    page.btn14->click();
    EXPECT_EQ(Notices(), (Strings{"信息|密码成功设定"}));
    EXPECT_EQ(host.shownPages, (std::vector<vh::Page>{vh::Page::Main}));
    EXPECT_EQ(settings.ReadText("Security", "Passwd", ""), PasswordHash(vh::text::Utf8ToGbk(" 新密码 ")));
    EXPECT_EQ(page.edt4->text(), "qwhmzt");
}

TEST_F(PasswordPage, RefusedWriteShowsTheErrorAndNoSuccess) {
    // A file-size limit refuses the write like a full disk.
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit tiny{16, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &tiny);
    Type("qwhmzt", "a", "a");
    page.btn14->click();
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(errors.errors(), (Strings{"Unable to write to " + ini}));
    EXPECT_TRUE(host.shownPages.empty());
    EXPECT_EQ(ReadAll(ini), kDelivered);
}

TEST_F(PasswordPage, ClearEmptiesTheThreeFields) {
    Type("a", "b", "c");
    page.btn15->click();
    EXPECT_TRUE(page.edt4->text().isEmpty());
    EXPECT_TRUE(page.edt5->text().isEmpty());
    EXPECT_TRUE(page.edt6->text().isEmpty());
    Type("a", "b", "c");
    page.ClearPasswordFields();
    EXPECT_TRUE(page.edt6->text().isEmpty());
    EXPECT_TRUE(host.notices.empty());
}
