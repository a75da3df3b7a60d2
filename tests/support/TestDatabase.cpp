#include "support/TestDatabase.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/AppPaths.h"
#include "storage/uDBMoudle.h"
#include "support/ChildProcess.h"

namespace fs = std::filesystem;

namespace vh::test {

std::string TemplateDatabase() {
    return VH_TEMPLATE_DB;
}

PrivateLockFolder::PrivateLockFolder() {
    ::setenv("FIREBIRD_LOCK", folder_.Path().c_str(), 1);
}

std::string ValidationErrors(const std::string& database) {
    std::string out;
    if (RunCommand("gfix -v -full -user ADMIN -password k4rv9tbe '" + database + "'", out) != 0)
        return "gfix failed: " + out;
    std::istringstream lines(out);
    std::string errors;
    for (std::string line; std::getline(lines, line);) {
        const bool fine = line.empty() || line == "Summary of validation errors" ||
                          (line.find("Number of") != std::string::npos && line.find("warnings") != std::string::npos);
        if (!fine)
            errors += line + "\n";
    }
    return errors;
}

TempAppDir::TempAppDir(bool withDatabase) {
    if (withDatabase)
        CopyTemplateTo("ABC.GDB");
}

void TempAppDir::CopyTemplateTo(const std::string& relative) const {
    fs::copy_file(TemplateDatabase(), Path(relative), fs::copy_options::overwrite_existing);
}

DirectSql::DirectSql(const std::string& path) {
    db_.SetDatabaseName(path);
    db_.Open("ADMIN", "k4rv9tbe", 1);
}

namespace {

void BindNumbered(vh::fb::Statement& st, const std::vector<std::string>& params) {
    for (std::size_t i = 0; i < params.size(); ++i)
        st.SetParam("P" + std::to_string(i + 1), params[i]);
}

} // namespace

void DirectSql::Exec(const std::string& sql, const std::vector<std::string>& params) {
    vh::fb::Transaction tr(db_);
    vh::fb::Statement st(db_, tr, sql);
    BindNumbered(st, params);
    tr.Start();
    try {
        st.Execute();
        tr.Commit();
    } catch (...) {
        tr.Rollback();
        throw;
    }
}

std::vector<std::vector<std::string>> DirectSql::Rows(const std::string& sql, const std::vector<std::string>& params) {
    vh::fb::Transaction tr(db_);
    vh::fb::Statement st(db_, tr, sql);
    BindNumbered(st, params);
    st.Open();
    std::vector<std::vector<std::string>> rows;
    const vh::fb::ResultSet& rs = st.Result();
    for (std::size_t r = 0; r < rs.RowCount(); ++r) {
        std::vector<std::string> row;
        for (std::size_t c = 0; c < rs.FieldCount(); ++c)
            row.emplace_back(rs.Text(r, c));
        rows.push_back(std::move(row));
    }
    tr.Commit();
    return rows;
}

std::string DirectSql::Scalar(const std::string& sql, const std::vector<std::string>& params) {
    auto rows = Rows(sql, params);
    if (rows.empty() || rows[0].empty())
        throw std::runtime_error("no value from " + sql);
    return rows[0][0];
}

TestDatabase::TestDatabase(bool withDatabase) : app_(std::make_unique<TempAppDir>(withDatabase)) {
    Restart();
}

TestDatabase::~TestDatabase() {
    module_.reset();
    sql_.reset();
    app_.reset();
}

DirectSql& TestDatabase::Sql() {
    if (!sql_)
        sql_ = std::make_unique<DirectSql>(DatabasePath());
    return *sql_;
}

void TestDatabase::CloseConnection() {
    module_->CloseConnection();
}

void TestDatabase::Restart() {
    module_.reset();
    module_ = std::make_unique<TDMMain>([this](const std::string& e) { errors.push_back(e); });
}

} // namespace vh::test
