#pragma once
// A thin RAII layer over the Firebird 3 object API: client library, attachment, transaction, statement and
// buffered result set. Firebird knows only positional "?" parameters; a Statement maps the ":NAME" markers of
// its text to positions once and binds by name. Text passes through as bytes (no character set is named).
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Firebird {
class IMaster;
class IUtil;
class IProvider;
class IAttachment;
class ITransaction;
class IStatement;
class IMessageMetadata;
class IStatus;
} // namespace Firebird

namespace vh::fb {

// Every failure of the layer; the text is the engine's message, in the system's native encoding.
class Error : public std::runtime_error {
public:
    // Why the engine refused, as far as a caller tells the user: a value that a unique key already holds, a
    // text longer than its column or parameter, a check or not-null rule; anything else.
    enum class Cause { Other, Duplicate, TooLong, Constraint };
    explicit Error(const std::string& what, Cause cause = Cause::Other) : std::runtime_error(what), cause_(cause) {}
    Cause GetCause() const { return cause_; }

private:
    Cause cause_;
};

// The engine's message of a failed call, without its trailing line ends.
std::string FormatStatus(Firebird::IStatus* status);

// The loaded client library (libfbclient / fbclient.dll) and its master interface. Loaded once per process
// and never unloaded: the engine keeps threads and atexit handlers that must outlive every caller.
class Client {
public:
    // Throws Error when the library or its entry point is missing.
    static Client& Get();
    // Tests point the loader elsewhere (a missing path simulates a machine without the library); empty
    // restores the default. Takes effect at the next Get() that has not loaded a library yet.
    static void SetLibraryPath(const std::string& path);
    static std::string LibraryPath();
    // Asks for an engine that opens databases shared, so that other processes of the user (isql-fb) may
    // open one while this process holds it. Decided once per process: takes effect at the next Get() that
    // has not loaded a library yet.
    static void SetSharedAccess(bool shared);
    // The folder another process names as FIREBIRD and FIREBIRD_LOCK to open our databases beside us;
    // empty while the engine holds its files alone (or is not loaded).
    static std::string SharedFolder();

    Firebird::IMaster* Master() const { return master_; }
    Firebird::IUtil* Util() const { return util_; }
    Firebird::IProvider* Provider() const { return provider_; }

private:
    Client() = default;
    Firebird::IMaster* master_ = nullptr;
    Firebird::IUtil* util_ = nullptr;
    Firebird::IProvider* provider_ = nullptr;
};

class Transaction;
class Statement;

class Attachment {
public:
    Attachment() = default;
    ~Attachment();
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    // The file path of the database; plain paths (no host) reach the embedded engine.
    void SetDatabaseName(std::string path) { databaseName_ = std::move(path); }
    const std::string& DatabaseName() const { return databaseName_; }

    // Throws Error; an open attachment is closed first.
    void Open(const std::string& user, const std::string& password, int dialect);
    // Rolls back running transactions and drops prepared statements first; never throws.
    void Close() noexcept;
    bool IsOpen() const { return handle_ != nullptr; }
    int Dialect() const { return dialect_; }
    Firebird::IAttachment* Handle() const { return handle_; }

private:
    friend class Transaction;
    friend class Statement;
    void Register(Transaction* t) { transactions_.push_back(t); }
    void Register(Statement* s) { statements_.push_back(s); }
    void Unregister(Transaction* t);
    void Unregister(Statement* s);

    std::string databaseName_;
    Firebird::IAttachment* handle_ = nullptr;
    int dialect_ = 3;
    std::vector<Transaction*> transactions_;
    std::vector<Statement*> statements_;
};

// A read-write, no-wait, record-version, read-committed transaction.
class Transaction {
public:
    explicit Transaction(Attachment& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Does nothing while running; throws Error when the attachment is closed.
    void Start();
    // A hard commit: the transaction is idle afterwards and the next Start begins a fresh one.
    void Commit();
    // Both throw Error when the transaction is not running.
    void Rollback();
    bool Active() const { return handle_ != nullptr; }
    Firebird::ITransaction* Handle() const { return handle_; }
    Attachment& Database() const { return db_; }

private:
    friend class Attachment;
    void Drop() noexcept;

    Attachment& db_;
    Firebird::ITransaction* handle_ = nullptr;
};

// The rows of one select, fetched completely and kept in one byte arena. Every field reads as text
// (numbers in their decimal form); a NULL reads as empty text.
class ResultSet {
public:
    void Clear();
    bool Empty() const { return rows_ == 0; }
    std::size_t RowCount() const { return rows_; }
    std::size_t FieldCount() const { return names_.size(); }
    const std::string& FieldName(std::size_t column) const { return names_.at(column); }
    // Case-insensitive, as the engine folds unquoted names; throws Error for an unknown field.
    std::size_t FieldIndex(std::string_view name) const;
    std::string_view Text(std::size_t row, std::size_t column) const;
    std::string_view Text(std::size_t row, std::string_view name) const { return Text(row, FieldIndex(name)); }
    bool IsNull(std::size_t row, std::size_t column) const;

private:
    friend class Statement;
    struct Cell {
        std::uint32_t offset;
        std::uint32_t length; // kNull for NULL
    };
    static constexpr std::uint32_t kNull = 0xFFFFFFFFu;
    std::vector<std::string> names_;
    std::vector<Cell> cells_;
    std::string arena_;
    std::size_t rows_ = 0;
};

// A statement with ":NAME" parameters, prepared at its first use and kept prepared until its text changes
// or the attachment closes.
class Statement {
public:
    Statement(Attachment& db, Transaction& tr, std::string sql = {});
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Closes the result and forgets the parameter values; a changed text also forgets the preparation.
    void SetSQL(std::string sql);
    // The same for a text whose ":NAME" are no parameters (the variables of a procedure's body in DDL).
    void SetPlainSQL(std::string sql);
    const std::string& SQL() const { return sql_; }
    // The statement's text as sent to the engine (":NAME" replaced by "?").
    const std::string& EngineSQL() const { return engineSql_; }
    const std::vector<std::string>& ParamNames() const { return paramNames_; }

    // Names match case-insensitively; throw Error for a name the text does not hold.
    void SetParam(std::string_view name, std::string_view text);
    void SetParam(std::string_view name, std::int64_t value);
    void SetNull(std::string_view name);
    void ClearParams();

    // Runs a statement that yields no rows inside the transaction, which must be running.
    void Execute();
    // Runs a select and fetches every row into Result(); starts the transaction when it is idle.
    void Open();
    // Forgets the rows of the last Open().
    void Close() { result_.Clear(); }
    const ResultSet& Result() const { return result_; }

    Transaction& Trans() const { return tr_; }

private:
    friend class Attachment;
    struct Param;
    // Refuses over-long texts, then prepares at the first use.
    void Prepare();
    void Drop() noexcept;
    std::vector<std::size_t> PositionsOf(std::string_view name) const;
    // The parameters' values in a message the engine reads, and the message's layout (owned by the statement).
    struct Input {
        std::vector<unsigned char> buffer;
        Firebird::IMessageMetadata* meta = nullptr;
    };
    Input BuildInput();

    Attachment& db_;
    Transaction& tr_;
    std::string sql_;
    std::string engineSql_;
    std::vector<std::string> paramNames_; // by position, upper-cased
    struct Param {
        enum class Kind { Null, Text, Integer } kind = Kind::Null;
        std::string text;
        std::int64_t integer = 0;
    };
    std::vector<Param> params_;
    Firebird::IStatement* handle_ = nullptr;
    Firebird::IMessageMetadata* inMeta_ = nullptr;
    std::vector<unsigned> inShape_; // per parameter: 0 integer, else the text capacity
    ResultSet result_;
};

} // namespace vh::fb
