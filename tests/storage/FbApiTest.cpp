// The parts of the database layer that need no database: parameter markers and the list search.
#include <gtest/gtest.h>

#include "storage/FbApi.h"

namespace {

struct Markers {
    vh::fb::Attachment db;
    vh::fb::Transaction tr{db};
    vh::fb::Statement st{db, tr};
};

TEST(StatementText, NamedMarkersBecomePositionsInOrder) {
    Markers m;
    m.st.SetSQL("EXECUTE PROCEDURE INSERTVALUE (:ATIMEDETAIL, :ACAPTION, :APROCESSNAME,:ADescription)");
    EXPECT_EQ(m.st.EngineSQL(), "EXECUTE PROCEDURE INSERTVALUE (?, ?, ?,?)");
    EXPECT_EQ(m.st.ParamNames(), (std::vector<std::string>{"ATIMEDETAIL", "ACAPTION", "APROCESSNAME", "ADESCRIPTION"}));
    // Names bind case-insensitively, unknown names are refused.
    EXPECT_NO_THROW(m.st.SetParam("adescription", std::string_view("x")));
    EXPECT_THROW(m.st.SetParam("ANOTHER", std::string_view("x")), vh::fb::Error);
}

TEST(StatementText, MarkersInsideQuotesAndCommentsAreText) {
    Markers m;
    m.st.SetSQL("select ':X', \":Y\" /* :Z */ from t -- :W\nwhere a=:A and b='it''s :B' and c=:A");
    EXPECT_EQ(m.st.EngineSQL(), "select ':X', \":Y\" /* :Z */ from t -- :W\nwhere a=? and b='it''s :B' and c=?");
    EXPECT_EQ(m.st.ParamNames(), (std::vector<std::string>{"A", "A"}));
}

TEST(StatementText, ClosedConnectionFailsInsteadOfCrashing) {
    Markers m;
    m.st.SetSQL("select * from t where a=:A");
    m.st.SetParam("A", std::int64_t{1});
    EXPECT_THROW(m.tr.Start(), vh::fb::Error);
    EXPECT_THROW(m.st.Open(), vh::fb::Error);
    EXPECT_THROW(m.st.Execute(), vh::fb::Error);
    EXPECT_THROW(m.tr.Rollback(), vh::fb::Error);
    EXPECT_THROW(m.tr.Commit(), vh::fb::Error);
}

} // namespace
