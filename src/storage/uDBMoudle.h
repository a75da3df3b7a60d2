#pragma once
// The database module: the one connection to the embedded database file, its two transactions and the
// prepared statements the operations of TDBFunc run. Nothing but TDBFunc touches these objects.
#include <functional>
#include <string>

#include "platform/AppLocations.h"
#include "storage/FbApi.h"

class TDMMain {
public:
    // Opens "ABC.GDB" in the program's data folder (dataDir, with its trailing separator). A failure (file
    // missing or not a database, client library missing) goes to reportError with the library's text; the
    // module is created all the same and stays without a connection.
    // sharedAccess runs the engine so that the user's tools can open the database beside the program
    // (System/SharedDatabase, read by the entry); the engine's mode is chosen once per process.
    explicit TDMMain(const std::function<void(const std::string& errorGbk)>& reportError = {},
                     const std::string& dataDir = vh::platform::ThisProcessLocations().dataDir,
                     bool sharedAccess = false);
    ~TDMMain();
    TDMMain(const TDMMain&) = delete;
    TDMMain& operator=(const TDMMain&) = delete;

    // The module created at start-up, or nullptr before it exists / after it is gone.
    static TDMMain* Instance();

    // The fallback opening: does nothing while connected, otherwise connects to data/abc.gdb below the
    // data folder. Throws vh::fb::Error (GBK text) when that fails.
    void OpenFallback();
    // Tests: ends the connection (running transactions are rolled back); the module then behaves as
    // after a failed start-up opening.
    void CloseConnection() noexcept;
    bool Connected() const { return firbdbTime.IsOpen(); }
    // Whether the open database keeps the counts of db/tallies.sql. One made before them gets them when it
    // is opened; one that cannot take them (read-only) is counted from its samples.
    bool HasTallies() const { return hasTallies_; }

    // The credentials of every attachment to the program's databases (the backup's service too).
    static const char* const kUserName;
    static const char* const kPassword;

    // The startup file's name, relative to the data folder, and the fallback file's full path.
    static const char* const kStartupFile;
    std::string FallbackFile() const;

    vh::fb::Attachment firbdbTime;
    vh::fb::Transaction fibtrans1{firbdbTime};
    vh::fb::Transaction fibtrans2{firbdbTime};

    vh::fb::Statement firbSPInsert;
    vh::fb::Statement firbSPDeleteAll;
    vh::fb::Statement firbSPInsertWork;
    vh::fb::Statement firbSPDelWork;
    vh::fb::Statement firbSPUpdateWork;
    vh::fb::Statement firbSPSetState;
    vh::fb::Statement fibQryPublic;
    vh::fb::Statement fibDS1;
    vh::fb::Statement fibDSPublic;

private:
    void Connect(const std::string& path);
    void ProvideTallies() noexcept;

    std::string dataDir_;
    bool hasTallies_ = false;
};
