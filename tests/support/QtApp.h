#pragma once
// The one QApplication of a Qt test executable; including this header registers it. It lives from before
// the first test to after the last one: a function-static one would be destroyed after Qt's own globals.
#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace vh::test {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char arg0[] = "vh-test";
        static char* argv[] = {arg0, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        // Tests close windows and run event loops afterwards.
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

inline ::testing::Environment* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace vh::test
