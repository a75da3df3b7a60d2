#pragma once
// Shared set-up of the shell's widget tests: the shared QApplication (offscreen) and application folder
// with its own Config.ini, and a way to forget an earlier termination.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

#include "platform/AppPaths.h"
#include "platform/ProfileString.h"
#include "platform/Text.h"
#include "settings/PasswordHash.h"
#include "support/QtApp.h"
#include "support/TempFolder.h"
#include "toolkit/AppTermination.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/TrayHost.h"

namespace vh::test {

inline std::string G(const char* utf8) {
    return vh::text::Utf8ToGbk(utf8);
}

// Qt remembers an exit request until the next top-level exec(); run one empty loop to forget it.
inline void ForgetTermination() {
    vh::ResetApplicationTermination();
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

inline std::vector<std::string>& ShownErrors() {
    static std::vector<std::string> errors;
    return errors;
}

// The shared application folder; Config.ini starts with the delivered password hash.
class ShellFolder : public AppFolder {
public:
    // Writes the file afresh: the password section plus extra lines.
    void WriteConfig(const std::string& extra = "", bool withPassword = true) {
        std::ofstream f(Config(), std::ios::binary | std::ios::trunc);
        if (withPassword)
            f << "[Security]\r\nPasswd=" << PasswordHash("qwhmzt") << "\r\n";
        f << extra;
    }
    void Set(const char* section, const char* key, const char* value) {
        vh::platform::WriteProfileString(Config(), section, key, value);
    }
    std::string Get(const char* section, const char* key) const {
        return vh::platform::ReadProfileString(Config(), section, key, "<missing>");
    }
};

// Counts the modal dialogs that come up while it lives (none expected), closing each.
class UnexpectedModals {
public:
    UnexpectedModals() {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++count;
                d->done(0);
            }
        });
        poll_.start(10);
    }
    int count = 0;

private:
    QTimer poll_;
};

// Ends a modal dialog that a broken test left waiting, so the test fails instead of hanging.
class ModalWatchdog {
public:
    ModalWatchdog() {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (w != seen_) {
                seen_ = w;
                since_.restart();
            } else if (w && since_.elapsed() > 5000) {
                ADD_FAILURE() << "modal dialog left open: " << w->objectName().toStdString();
                if (auto* d = qobject_cast<QDialog*>(w))
                    d->done(0);
                seen_ = nullptr;
            }
        });
        since_.start();
        poll_.start(100);
    }

private:
    QTimer poll_;
    QWidget* seen_ = nullptr;
    QElapsedTimer since_;
};

// A desktop's tray as a test wants it (the offscreen platform has none).
class FixedTrayHost : public vh::TrayHost {
public:
    FixedTrayHost(bool available, bool doubleClick) : available_(available), doubleClick_(doubleClick) {}
    bool Available() const override { return available_; }
    bool ReportsDoubleClick() const override { return doubleClick_; }

private:
    bool available_, doubleClick_;
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        vh::SetTrayHost(std::make_unique<FixedTrayHost>(true, true));
        ForgetTermination();
        ShownErrors().clear();
        vh::SetErrorSink([](const std::string& e) { ShownErrors().push_back(e); });
        folder.WriteConfig();
    }
    void TearDown() override {
        vh::SetErrorSink(nullptr);
        vh::SetTrayHost(nullptr);
        ForgetTermination();
    }
    ShellFolder folder;
    ModalWatchdog watchdog;
};

} // namespace vh::test
