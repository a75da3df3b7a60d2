#include "storage/uDBMoudle.h"

#include "platform/AppPaths.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"

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

TDMMain::TDMMain(const std::function<void(const std::string& errorGbk)>& reportError, const std::string& dataDir)
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
    // Off by default: in the shared mode a process killed while it holds the engine's lock table leaves every
    // other process on that database waiting forever (see README). The engine's mode is chosen once per process.
    TSettingsAccessor settings;
    settings.SetSettingsPath(dataDir_ + kConfigFileName);
    vh::fb::Client::SetSharedAccess(settings.ReadFlag(vh::settings::keys::SharedDatabase));
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
    firbdbTime.SetDatabaseName(path);
    firbdbTime.Open(kUserName, kPassword, kDialect);
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
}
