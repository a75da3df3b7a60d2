// A machine without the Firebird client library: opening fails with a message, nothing crashes, and
// the library is picked up once it is there.
#include <gtest/gtest.h>

#include "storage/FbApi.h"
#include "storage/uDBFunc.h"
#include "storage/uDBMoudle.h"
#include "support/TestDatabase.h"

namespace {

TEST(NoClientLibrary, IsAnOpeningErrorNotACrash) {
    vh::fb::Client::SetLibraryPath("/nonexistent/varnholt/libfbclient.so.2");
    vh::test::TempAppDir app;
    app.CopyTemplateTo("data/abc.gdb");
    {
        std::vector<std::string> errors;
        TDMMain module([&](const std::string& e) { errors.push_back(e); });
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find("/nonexistent/varnholt/libfbclient.so.2"), std::string::npos) << errors[0];
        EXPECT_FALSE(module.Connected());
        EXPECT_THROW(TDBFunc(), std::runtime_error);
        EXPECT_THROW((void)TDBFunc::InsertSample("2026-03-01 10:00:00", "x", "a.exe", ""), std::exception);
        EXPECT_EQ(TDBFunc::QuerySamples("2026-03-01 00:00:00", "2026-03-02 00:00:00").outcome, TReadOutcome::Failed);
        EXPECT_EQ(TDBFunc::ListPrograms(0).outcome, TReadOutcome::Failed);
    }

    vh::fb::Client::SetLibraryPath("");
    TDMMain module;
    EXPECT_TRUE(module.Connected());
    ASSERT_EQ(TDBFunc::InsertProgram("a.exe", "A", ""), TWriteResult::Done);
    EXPECT_EQ(TDBFunc::ListPrograms(0).rows, (TStringList{"A"}));
}

} // namespace
