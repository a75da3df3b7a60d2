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
        EXPECT_THROW(TDBFunc::InsertSample("2026-03-01 10:00:00", "x", "a.exe", ""), std::exception);
        std::string from = "2026-03-01 00:00:00";
        TDBFunc::QuerySamples(from, "2026-03-02 00:00:00");
        EXPECT_EQ(from, "-2");
        TStringList list;
        EXPECT_FALSE(TDBFunc::ListPrograms(list, "0"));
    }

    vh::fb::Client::SetLibraryPath("");
    TDMMain module;
    EXPECT_TRUE(module.Connected());
    TDBFunc::InsertProgram("a.exe", "A", "");
    TStringList list;
    EXPECT_TRUE(TDBFunc::ListPrograms(list, "0"));
}

} // namespace
