#pragma once
// Real databases for tests: a temporary application folder holding a fresh ABC.GDB built from
// db/schema.sql, with the program's application folder pointed at it for the fixture's lifetime.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/FbApi.h"
#include "support/TempFolder.h"

class TDMMain;

namespace vh::test {

// The database built from db/schema.sql by the build (never opened, only copied).
std::string TemplateDatabase();

// The shared temporary application folder, optionally holding a copy of the template as ABC.GDB.
class TempAppDir : public AppFolder {
public:
    explicit TempAppDir(bool withDatabase = true);
    void CopyTemplateTo(const std::string& relative) const;
};

// A lock folder of the engine for one test executable (FIREBIRD_LOCK, inherited by its children): processes
// killed there must not leave locks behind in the folder the program and other tests share.
class PrivateLockFolder {
public:
    PrivateLockFolder();
    const std::string& Dir() const { return folder_.Path(); }

private:
    TempFolder folder_;
};

// What the engine's full validation (gfix) counts as damage in a file no process holds; "" when whole.
// Warnings about pages that a killed transaction had allocated are the engine's to reclaim.
std::string ValidationErrors(const std::string& database);

// Direct access to a database file beside the module's own connection (the embedded engine lets one
// process hold several), to set up and inspect rows without going through TDBFunc.
class DirectSql {
public:
    explicit DirectSql(const std::string& path);
    // Runs one statement in its own committed transaction; params bind to ":P1", ":P2", ... in order.
    void Exec(const std::string& sql, const std::vector<std::string>& params = {});
    // All rows as text, fields in select order.
    std::vector<std::vector<std::string>> Rows(const std::string& sql, const std::vector<std::string>& params = {});
    std::string Scalar(const std::string& sql, const std::vector<std::string>& params = {});

private:
    vh::fb::Attachment db_;
};

// A temporary application folder with ABC.GDB and the database module opened on it (as at start-up).
// Errors reported by the module's opening are collected in errors.
class TestDatabase {
public:
    explicit TestDatabase(bool withDatabase = true);
    ~TestDatabase();

    TempAppDir& App() { return *app_; }
    TDMMain& Module() { return *module_; }
    std::string DatabasePath() const { return app_->Path("ABC.GDB"); }
    // A second connection to ABC.GDB, made on first use.
    DirectSql& Sql();
    // Ends the module's connection (operations then fail as with the connection closed).
    void CloseConnection();
    // Destroys and recreates the module (a fresh start-up opening).
    void Restart();

    std::vector<std::string> errors;

private:
    std::unique_ptr<TempAppDir> app_;
    std::unique_ptr<DirectSql> sql_;
    std::unique_ptr<TDMMain> module_;
};

} // namespace vh::test
