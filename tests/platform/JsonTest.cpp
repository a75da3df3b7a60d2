// The JSON reader that sway's window tree passes through, with the window titles of other programs in it.
#include <gtest/gtest.h>

#include <string>

#include "platform/linux/Json.h"

namespace json = vh::platform::json;

namespace {

std::string TitleOf(const std::string& document) {
    const auto v = json::Parse(document);
    if (!v)
        return "<invalid>";
    return v->StringAt("name", "<missing>");
}

TEST(Json, ReadsATreeNode) {
    const auto v = json::Parse(R"( {"id": 12, "name": "foot", "pid": 4242, "focused": true, "visible": false,
        "app_id": null, "rect": {"x": -3.5e1}, "nodes": [], "focus": [7, 8]} )");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->IntegerAt("id"), 12);
    EXPECT_EQ(v->IntegerAt("pid"), 4242);
    EXPECT_TRUE(v->BoolAt("focused"));
    EXPECT_FALSE(v->BoolAt("visible", true));
    EXPECT_TRUE(v->Find("app_id")->IsNull());
    EXPECT_EQ(v->StringAt("app_id", "none"), "none");
    EXPECT_EQ(v->Find("rect")->Find("x")->number, -35.0);
    EXPECT_FALSE(v->IntegerAt("rect"));
    ASSERT_EQ(v->Find("focus")->array.size(), 2u);
}

TEST(Json, HostileTitles) {
    EXPECT_EQ(TitleOf(R"({"name": "say \"hi\" \\ / \/ \t\n"})"), "say \"hi\" \\ / / \t\n");
    // \u escapes: BMP, a surrogate pair (U+1F600), and broken pairs as U+FFFD.
    EXPECT_EQ(TitleOf(R"({"name": "\u7ec8\u7aef"})"), "终端");
    EXPECT_EQ(TitleOf(R"({"name": "\ud83d\ude00"})"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(TitleOf(R"({"name": "\ud83dx"})"), "\xEF\xBF\xBDx");
    EXPECT_EQ(TitleOf(R"({"name": "\ude00\ud83d\u0041"})"), "\xEF\xBF\xBD\xEF\xBF\xBD"
                                                            "A");
    EXPECT_EQ(TitleOf(R"({"name": "\u0000end"})"), std::string("\0end", 4));
    // Raw UTF-8 passes unchanged.
    EXPECT_EQ(TitleOf("{\"name\": \"终端 — 窗口\"}"), "终端 — 窗口");
    // A huge title.
    const std::string big(4 * 1024 * 1024, 'x');
    EXPECT_EQ(TitleOf("{\"name\": \"" + big + "\"}"), big);
}

TEST(Json, RefusesBrokenDocuments) {
    for (const std::string bad : {"", "{", R"({"name": "unterminated})", R"({"name": "\u12"})", R"({"name": "\q"})",
                                  "{\"name\": \"raw\ncontrol\"}", R"({"a": 1,})", "[1 2]", "{} trailing", "nul", "-",
                                  "1.", "1e", "{\"a\" 1}"}) {
        EXPECT_FALSE(json::Parse(bad)) << bad;
    }
    // Nesting deep enough to exhaust the stack is refused, not followed.
    EXPECT_FALSE(json::Parse(std::string(100000, '[') + std::string(100000, ']')));
    EXPECT_TRUE(json::Parse(std::string(100, '[') + std::string(100, ']')));
}

TEST(Json, QuoteRoundTrips) {
    const std::string hostile = std::string("a\"b\\c\n\x01</script>终端") + '\0' + "z";
    const auto v = json::Parse("{\"name\": " + json::Quote(hostile) + "}");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->StringAt("name"), hostile);
}

} // namespace
