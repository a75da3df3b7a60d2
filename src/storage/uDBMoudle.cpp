#include "storage/uDBMoudle.h"

#include "platform/AppPaths.h"
#include "platform/Text.h"
#include "storage/SchemaScript.h"
#include "storage/TalliesScript.h"

namespace {

TDMMain* g_instance = nullptr;

const int kDialect = 1;

} // namespace

const char* const TDMMain::kStartupFile = "ABC.GDB";
const char* const TDMMain::kUserName = "ADMIN";
const char* const TDMMain::kPassword = "k4rv9tbe";

std::string TDMMain::FallbackFile() const {
    return dataDir_ + "data" + vh::platform::PathSeparator() + "abc.gdb";
}

TDMMain::TDMMain(const std::function<void(const std::string& errorGbk)>& reportError, const std::string& dataDir,
                 bool sharedAccess)
    : firbSPInsert(firbdbTime, fibtrans2,
                   "EXECUTE PROCEDURE INSERTVALUE (:ATIMEDETAIL, :ACAPTION, :APROCESSNAME,:ADescription)"),
      firbSPDeleteAll(firbdbTime, fibtrans1, "delete  from timeinfo"),
      firbSPInsertWork(firbdbTime, fibtrans1,
                       "EXECUTE PROCEDURE INSERTWORKPROGRAM (:APROCESSNAME, :APROGRAMNAME, :APROGRAMDES)"),
      firbSPDelWork(firbdbTime, fibtrans1, "EXECUTE PROCEDURE DELWORKPROGRAM (:APROCESSNAME)"),
      firbSPUpdateWork(firbdbTime, fibtrans1,
                       "EXECUTE PROCEDURE UPDATEWORKPROGRAM (:APROCESSNAME,:APROGRAMNAME,:APROGRAMDES)"),
      firbSPSetState(firbdbTime, fibtrans1, "EXECUTE PROCEDURE UPDATESTATE (:ASTATE,:APROGRAMNAME)"),
      fibQryPublic(firbdbTime, fibtrans1, "select * from TPROGRAM where PROGRAMNAME=:APROGRAMNAME"),
      fibDS1(firbdbTime, fibtrans1), fibDSPublic(firbdbTime, fibtrans1), dataDir_(dataDir) {
    g_instance = this;
    vh::fb::Client::SetSharedAccess(sharedAccess);
    try {
        Connect(dataDir_ + kStartupFile);
    } catch (const std::exception& e) {
        if (reportError)
            reportError(vh::text::NativeToGbk(e.what()));
    }
}

TDMMain::~TDMMain() {
    CloseConnection();
    if (g_instance == this)
        g_instance = nullptr;
}

TDMMain* TDMMain::Instance() {
    return g_instance;
}

void TDMMain::Connect(const std::string& path) {
    hasTallies_ = false;
    firbdbTime.SetDatabaseName(path);
    firbdbTime.Open(kUserName, kPassword, kDialect);
    ProvideTallies();
}

void TDMMain::ProvideTallies() noexcept {
    vh::fb::Statement st(firbdbTime, fibtrans1);
    const auto count = [&](const char* sql) {
        st.SetSQL(sql);
        st.Open();
        const bool any = st.Result().Text(0, 0) != "0";
        st.Close();
        return any;
    };
    try {
        // The triggers come in the script's last transaction, with the counts of the samples already stored.
        const bool complete =
            count("select count(*) from RDB$TRIGGERS where RDB$TRIGGER_NAME = 'TIMEINFO_TALLY_INSERT'");
        const bool begun = count("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = 'TIMETALLY'");
        fibtrans1.Commit();
        if (complete) {
            hasTallies_ = true;
            return;
        }
        fibtrans1.Start();
        if (begun) {
            // An upgrade that stopped half-way: the table holds no counts yet.
            st.SetSQL("drop table TIMETALLY");
            st.Execute();
            fibtrans1.Commit();
            fibtrans1.Start();
        }
        // Counting a year of samples into them takes some seconds, once.
        for (const std::string& statement : vh::storage::SplitScript(vh::storage::kTalliesScript)) {
            if (vh::text::EqualsIgnoreAsciiCase(statement, "COMMIT")) {
                fibtrans1.Commit();
                fibtrans1.Start();
                continue;
            }
            st.SetPlainSQL(statement);
            st.Execute();
        }
        fibtrans1.Commit();
        hasTallies_ = true;
    } catch (...) {
        // A database we may not change is still read: the tallies then count its samples.
        try {
            if (fibtrans1.Active())
                fibtrans1.Rollback();
        } catch (...) {
        }
    }
}

void TDMMain::OpenFallback() {
    if (firbdbTime.IsOpen())
        return;
    try {
        Connect(FallbackFile());
    } catch (const std::exception& e) {
        throw vh::fb::Error(vh::text::NativeToGbk(e.what()));
    }
}

void TDMMain::CloseConnection() noexcept {
    fibDS1.Close();
    fibDSPublic.Close();
    fibQryPublic.Close();
    firbdbTime.Close();
    hasTallies_ = false;
}
