// The sampler's store: real rows in a database built from the schema, and "write wrong" once the
// connection is closed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/Sampler.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "support/FakeWindowSystem.h"
#include "support/TestClock.h"
#include "support/TestDatabase.h"

TEST(SamplerDatabase, StoresRealRowsAndReportsAClosedConnection) {
    vh::test::TestDatabase db;
    vh::test::TestClock clock(vh::test::At(2024, 3, 2, 9, 5, 3));
    auto& fake = vh::test::FakeWindowSystem::Install();
    fake.AddProcess(77, "notepad.exe");
    fake.AddWindow(5, vh::text::Utf8ToGbk("记事本"), 77);

    SamplerSinks sinks;
    sinks.store = &StoreSample;
    std::vector<std::string> messages;
    int handOvers = 0;
    sinks.showMessage = [&](const std::string& m) { messages.push_back(m); };
    sinks.dealWithUnwork = [&](const TForegroundInfo&) { ++handOvers; };
    TSampler sampler([]() -> vh::platform::WindowSystem& { return vh::platform::TheWindowSystem(); }, sinks);
    ASSERT_TRUE(sampler.Tick());
    ASSERT_TRUE(sampler.Tick());

    const auto rows = db.Sql().Rows("select timedetail, title, process_name, description from timeinfo");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "2024-03-02 09:05:03");
    EXPECT_EQ(rows[0][1], vh::text::Utf8ToGbk("记事本"));
    EXPECT_EQ(rows[0][2], "notepad.exe");
    EXPECT_EQ(rows[0][3], "");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(handOvers, 2);

    db.CloseConnection();
    EXPECT_TRUE(sampler.Tick());
    EXPECT_EQ(messages, std::vector<std::string>{"write wrong"});
    EXPECT_EQ(handOvers, 3);
    EXPECT_EQ(sampler.ForegroundInfo().ExeName, "notepad.exe");

    vh::platform::SetWindowSystem(nullptr);
}
