#include "storage/FbApi.h"

#include <firebird/Interface.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "storage/FbLoader.h"

namespace vh::fb {

std::string FormatStatus(Firebird::IStatus* status) {
    char buffer[2048];
    unsigned n = Client::Get().Util()->formatStatus(buffer, sizeof buffer, status);
    std::string text(buffer, std::min<std::size_t>(n, sizeof buffer));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? std::string("Firebird error") : text;
}

namespace {

using Firebird::FbException;
using Firebird::IStatus;
using Firebird::ThrowStatusWrapper;

// One status object for a run of calls; every failing call throws FbException, which the public
// methods turn into Error.
class Status {
public:
    Status() : wrapper_(Client::Get().Master()->getStatus()) {}
    ~Status() { wrapper_.dispose(); }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;
    ThrowStatusWrapper* operator&() { return &wrapper_; }

private:
    ThrowStatusWrapper wrapper_;
};

// The first error code of the status vector that names a refusal the callers tell apart.
Error::Cause CauseOf(IStatus* status) {
    const intptr_t* v = status->getErrors();
    while (v && *v != isc_arg_end) {
        if (v[0] == isc_arg_gds) {
            switch (v[1]) {
            case isc_unique_key_violation:
            case isc_no_dup:
                return Error::Cause::Duplicate;
            case isc_string_truncation:
                return Error::Cause::TooLong;
            case isc_check_constraint:
            case isc_not_valid:
                return Error::Cause::Constraint;
            default:
                break;
            }
        }
        v += v[0] == isc_arg_cstring ? 3 : 2;
    }
    return Error::Cause::Other;
}

template <class F> auto Guarded(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const FbException& e) {
        throw Error(FormatStatus(e.getStatus()), CauseOf(e.getStatus()));
    }
}

// Ends a handle with its own call (detach, rollback, free); when that fails, only lets go of the
// reference, so a broken connection never leaks the object nor throws out of a clean-up path.
template <class T, class End> void EndOrRelease(T*& handle, End end) noexcept {
    if (!handle)
        return;
    try {
        Status st;
        end(handle, st);
        handle = nullptr;
    } catch (...) {
    }
    if (handle) {
        handle->release();
        handle = nullptr;
    }
}

std::string Upper(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return r;
}

// Lets go of an engine object when the scope ends: releases a reference-counted one, disposes a disposable one.
template <class T> class Held {
public:
    explicit Held(T* p) : p_(p) {}
    ~Held() {
        if (p_)
            Free(p_);
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    // The engine has ended the object itself (a successful close).
    void Forget() { p_ = nullptr; }

private:
    static void Free(Firebird::IReferenceCounted* p) { p->release(); }
    static void Free(Firebird::IDisposable* p) { p->dispose(); }
    T* p_;
};

std::mutex& ClientMutex() {
    static std::mutex m;
    return m;
}

std::string& ConfiguredPath() {
    static std::string path;
    return path;
}

bool g_sharedAccess = false;

// A function's static: the library may be loaded from another file's static initialiser.
std::string& SharedFolderOfEngine() {
    static std::string folder;
    return folder;
}

Client* g_client = nullptr;

} // namespace

// ---------------------------------------------------------------------------------------------- Client

Client& Client::Get() {
    std::lock_guard<std::mutex> lock(ClientMutex());
    if (g_client)
        return *g_client;
    std::string path = ConfiguredPath().empty() ? DefaultClientLibrary() : ConfiguredPath();
    std::string error;
    void* library = LoadClientLibrary(path, error);
    if (!library)
        throw Error(error);
    // The engine reads its environment at its first call, not when it is loaded.
    std::string sharedFolder = PrepareEngineEnvironment(library, g_sharedAccess);
    using MasterFn = Firebird::IMaster* (*)();
    auto entry = reinterpret_cast<MasterFn>(ClientLibrarySymbol(library, "fb_get_master_interface"));
    if (!entry)
        throw Error("fb_get_master_interface missing in " + path);
    Firebird::IMaster* master = entry();
    if (!master)
        throw Error("fb_get_master_interface failed in " + path);
    // Reads firebird.conf (and fixes the root folder) now, so the environment can be put back.
    if (Firebird::IFirebirdConf* conf = master->getConfigManager()->getFirebirdConf())
        conf->release();
    EngineEnvironmentRead();
    SharedFolderOfEngine() = std::move(sharedFolder);
    // Kept for the life of the process on purpose (see the header).
    auto* client = new Client;
    client->master_ = master;
    client->util_ = master->getUtilInterface();
    client->provider_ = master->getDispatcher();
    g_client = client;
    return *g_client;
}

void Client::SetLibraryPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(ClientMutex());
    ConfiguredPath() = path;
}

std::string Client::LibraryPath() {
    std::lock_guard<std::mutex> lock(ClientMutex());
    return ConfiguredPath().empty() ? DefaultClientLibrary() : ConfiguredPath();
}

void Client::SetSharedAccess(bool shared) {
    std::lock_guard<std::mutex> lock(ClientMutex());
    g_sharedAccess = shared;
}

std::string Client::SharedFolder() {
    std::lock_guard<std::mutex> lock(ClientMutex());
    return SharedFolderOfEngine();
}

// ---------------------------------------------------------------------------------------------- Attachment

Attachment::~Attachment() {
    Close();
}

void Attachment::Open(const std::string& user, const std::string& password, int dialect) {
    Close();
    Client& client = Client::Get();
    Guarded([&] {
        Status st;
        Held<Firebird::IXpbBuilder> dpb(client.Util()->getXpbBuilder(&st, Firebird::IXpbBuilder::DPB, nullptr, 0));
        dpb->insertString(&st, isc_dpb_user_name, user.c_str());
        dpb->insertString(&st, isc_dpb_password, password.c_str());
        dpb->insertInt(&st, isc_dpb_sql_dialect, dialect);
        handle_ = client.Provider()->attachDatabase(&st, databaseName_.c_str(), dpb->getBufferLength(&st),
                                                    dpb->getBuffer(&st));
    });
    dialect_ = dialect;
}

void Attachment::Close() noexcept {
    for (Statement* s : statements_)
        s->Drop();
    for (Transaction* t : transactions_)
        t->Drop();
    EndOrRelease(handle_, [](auto* h, Status& st) { h->detach(&st); });
}

void Attachment::Unregister(Transaction* t) {
    transactions_.erase(std::remove(transactions_.begin(), transactions_.end(), t), transactions_.end());
}

void Attachment::Unregister(Statement* s) {
    statements_.erase(std::remove(statements_.begin(), statements_.end(), s), statements_.end());
}

// ---------------------------------------------------------------------------------------------- Transaction

Transaction::Transaction(Attachment& db) : db_(db) {
    db_.Register(this);
}

Transaction::~Transaction() {
    Drop();
    db_.Unregister(this);
}

void Transaction::Start() {
    if (handle_)
        return;
    if (!db_.IsOpen())
        throw Error("database not connected");
    static const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_nowait, isc_tpb_read_committed,
                                        isc_tpb_rec_version};
    Guarded([&] {
        Status st;
        handle_ = db_.Handle()->startTransaction(&st, sizeof tpb, tpb);
    });
}

void Transaction::Commit() {
    if (!handle_)
        throw Error("transaction is not active");
    Guarded([&] {
        Status st;
        handle_->commit(&st);
        handle_ = nullptr;
    });
}

void Transaction::Rollback() {
    if (!handle_)
        throw Error("transaction is not active");
    Firebird::ITransaction* h = handle_;
    try {
        Guarded([&] {
            Status st;
            h->rollback(&st);
        });
    } catch (...) {
        // A transaction whose roll-back failed is of no further use; let go of it.
        handle_ = nullptr;
        h->release();
        throw;
    }
    handle_ = nullptr;
}

void Transaction::Drop() noexcept {
    EndOrRelease(handle_, [](auto* h, Status& st) { h->rollback(&st); });
}

// ---------------------------------------------------------------------------------------------- ResultSet

void ResultSet::Clear() {
    names_.clear();
    cells_.clear();
    arena_.clear();
    rows_ = 0;
}

std::size_t ResultSet::FieldIndex(std::string_view name) const {
    std::string wanted = Upper(name);
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (Upper(names_[i]) == wanted)
            return i;
    throw Error("field " + std::string(name) + " not found");
}

std::string_view ResultSet::Text(std::size_t row, std::size_t column) const {
    if (row >= rows_ || column >= names_.size())
        throw Error("row or field out of range");
    const Cell& c = cells_[row * names_.size() + column];
    if (c.length == kNull)
        return {};
    return std::string_view(arena_.data() + c.offset, c.length);
}

bool ResultSet::IsNull(std::size_t row, std::size_t column) const {
    if (row >= rows_ || column >= names_.size())
        throw Error("row or field out of range");
    return cells_[row * names_.size() + column].length == kNull;
}

// ---------------------------------------------------------------------------------------------- Statement

namespace {

// ":NAME" -> "?" outside quotes and comments; names are upper-cased, in order of appearance.
void ParseParams(const std::string& sql, std::string& engineSql, std::vector<std::string>& names) {
    engineSql.clear();
    names.clear();
    auto isNameChar = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
    };
    std::size_t i = 0;
    const std::size_t n = sql.size();
    while (i < n) {
        char c = sql[i];
        if (c == '\'' || c == '"') {
            std::size_t j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            j = std::min(j + 1, n);
            engineSql.append(sql, i, j - i);
            i = j;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            std::size_t j = sql.find('\n', i);
            j = j == std::string::npos ? n : j;
            engineSql.append(sql, i, j - i);
            i = j;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            std::size_t j = sql.find("*/", i + 2);
            j = j == std::string::npos ? n : j + 2;
            engineSql.append(sql, i, j - i);
            i = j;
        } else if (c == ':' && i + 1 < n && isNameChar(sql[i + 1])) {
            std::size_t j = i + 1;
            while (j < n && isNameChar(sql[j]))
                ++j;
            names.push_back(Upper(std::string_view(sql).substr(i + 1, j - i - 1)));
            engineSql += '?';
            i = j;
        } else {
            engineSql += c;
            ++i;
        }
    }
}

} // namespace

Statement::Statement(Attachment& db, Transaction& tr, std::string sql) : db_(db), tr_(tr) {
    db_.Register(this);
    SetSQL(std::move(sql));
}

Statement::~Statement() {
    Drop();
    db_.Unregister(this);
}

void Statement::SetSQL(std::string sql) {
    if (handle_ && sql == sql_) {
        // The same text again keeps its preparation.
        result_.Clear();
        ClearParams();
        return;
    }
    Drop();
    result_.Clear();
    sql_ = std::move(sql);
    ParseParams(sql_, engineSql_, paramNames_);
    params_.assign(paramNames_.size(), Param{});
}

void Statement::SetPlainSQL(std::string sql) {
    Drop();
    result_.Clear();
    sql_ = std::move(sql);
    engineSql_ = sql_;
    paramNames_.clear();
    params_.clear();
}

std::vector<std::size_t> Statement::PositionsOf(std::string_view name) const {
    std::string wanted = Upper(name);
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < paramNames_.size(); ++i)
        if (paramNames_[i] == wanted)
            positions.push_back(i);
    if (positions.empty())
        throw Error("parameter " + std::string(name) + " not found");
    return positions;
}

void Statement::SetParam(std::string_view name, std::string_view text) {
    for (std::size_t p : PositionsOf(name)) {
        params_[p].kind = Param::Kind::Text;
        params_[p].text.assign(text);
    }
}

void Statement::SetParam(std::string_view name, std::int64_t value) {
    for (std::size_t p : PositionsOf(name)) {
        params_[p].kind = Param::Kind::Integer;
        params_[p].integer = value;
    }
}

void Statement::SetNull(std::string_view name) {
    for (std::size_t p : PositionsOf(name))
        params_[p].kind = Param::Kind::Null;
}

void Statement::ClearParams() {
    params_.assign(paramNames_.size(), Param{});
}

void Statement::Prepare() {
    // Longer than any VARCHAR parameter can hold: refused as too long before the engine sees it.
    for (const Param& p : params_)
        if (p.kind == Param::Kind::Text && p.text.size() > 32765)
            throw Error("parameter text too long", Error::Cause::TooLong);
    if (handle_)
        return;
    if (!db_.IsOpen())
        throw Error("database not connected");
    if (!tr_.Active())
        throw Error("transaction is not active");
    Guarded([&] {
        Status st;
        handle_ = db_.Handle()->prepare(&st, tr_.Handle(), static_cast<unsigned>(engineSql_.size()), engineSql_.c_str(),
                                        static_cast<unsigned>(db_.Dialect()),
                                        Firebird::IStatement::PREPARE_PREFETCH_METADATA);
        Held<Firebird::IMessageMetadata> in(handle_->getInputMetadata(&st));
        if (in->getCount(&st) != paramNames_.size())
            throw Error("parameter count differs from the statement's");
    });
}

void Statement::Drop() noexcept {
    if (inMeta_) {
        inMeta_->release();
        inMeta_ = nullptr;
    }
    inShape_.clear();
    EndOrRelease(handle_, [](auto* h, Status& st) { h->free(&st); });
}

// Describes every parameter by the value we hold rather than by the declared type, so text of any length
// reaches the engine, which converts (and checks) it against the declared type itself.
Statement::Input Statement::BuildInput() {
    Input in;
    std::vector<unsigned char>& buffer = in.buffer;
    Status st;
    // The description is kept while every value still fits it (the usual case: the same statement with
    // values of similar length), so repeated calls only copy the values.
    bool fits = inMeta_ && inShape_.size() == params_.size();
    for (unsigned i = 0; fits && i < params_.size(); ++i) {
        const Param& p = params_[i];
        fits = p.kind == Param::Kind::Integer ? inShape_[i] == 0 : inShape_[i] != 0 && p.text.size() <= inShape_[i];
    }
    if (!fits) {
        if (inMeta_) {
            inMeta_->release();
            inMeta_ = nullptr;
        }
        inShape_.assign(params_.size(), 0);
        Held<Firebird::IMessageMetadata> declared(handle_->getInputMetadata(&st));
        Held<Firebird::IMetadataBuilder> builder(declared->getBuilder(&st));
        for (unsigned i = 0; i < params_.size(); ++i) {
            const Param& p = params_[i];
            if (p.kind == Param::Kind::Integer) {
                builder->setType(&st, i, SQL_INT64 + 1);
                builder->setLength(&st, i, sizeof(ISC_INT64));
                builder->setScale(&st, i, 0);
            } else {
                unsigned charset = declared->getCharSet(&st, i);
                unsigned type = declared->getType(&st, i) & ~1u;
                if (type != SQL_TEXT && type != SQL_VARYING)
                    charset = 0;
                unsigned capacity = static_cast<unsigned>(std::max<std::size_t>(64, p.text.size()));
                inShape_[i] = capacity;
                builder->setType(&st, i, SQL_VARYING + 1);
                builder->setLength(&st, i, capacity);
                builder->setCharSet(&st, i, charset);
                builder->setScale(&st, i, 0);
            }
        }
        inMeta_ = builder->getMetadata(&st);
    }
    Firebird::IMessageMetadata* meta = inMeta_;
    in.meta = meta;
    buffer.assign(meta->getMessageLength(&st), 0);
    for (unsigned i = 0; i < params_.size(); ++i) {
        const Param& p = params_[i];
        unsigned char* data = buffer.data() + meta->getOffset(&st, i);
        auto* null = reinterpret_cast<short*>(buffer.data() + meta->getNullOffset(&st, i));
        *null = p.kind == Param::Kind::Null ? -1 : 0;
        if (p.kind == Param::Kind::Integer) {
            ISC_INT64 v = p.integer;
            std::memcpy(data, &v, sizeof v);
        } else if (p.kind == Param::Kind::Text) {
            auto len = static_cast<unsigned short>(p.text.size());
            std::memcpy(data, &len, sizeof len);
            std::memcpy(data + sizeof len, p.text.data(), p.text.size());
        }
    }
    return in;
}

void Statement::Execute() {
    result_.Clear();
    if (!tr_.Active())
        throw Error("transaction is not active");
    Prepare();
    Guarded([&] {
        Status st;
        Input in = BuildInput();
        handle_->execute(&st, tr_.Handle(), in.meta, in.buffer.data(), nullptr, nullptr);
    });
}

namespace {

// The output message that fetches every column of declared as nullable text, the engine converting; the
// columns' names go to names.
Firebird::IMessageMetadata* TextColumns(Status& st, Firebird::IMessageMetadata* declared,
                                        std::vector<std::string>& names) {
    const unsigned count = declared->getCount(&st);
    Held<Firebird::IMetadataBuilder> builder(declared->getBuilder(&st));
    for (unsigned i = 0; i < count; ++i) {
        const char* alias = declared->getAlias(&st, i);
        names.emplace_back(alias ? alias : "");
        unsigned type = declared->getType(&st, i) & ~1u;
        unsigned length = declared->getLength(&st, i);
        unsigned charset = declared->getCharSet(&st, i);
        if (type != SQL_TEXT && type != SQL_VARYING) {
            length = 64;
            charset = 0;
        }
        builder->setType(&st, i, SQL_VARYING + 1);
        builder->setLength(&st, i, std::max(1u, length));
        builder->setCharSet(&st, i, charset);
        builder->setScale(&st, i, 0);
    }
    return builder->getMetadata(&st);
}

} // namespace

void Statement::Open() {
    result_.Clear();
    tr_.Start();
    Prepare();
    Guarded([&] {
        Status st;
        Input in = BuildInput();
        Held<Firebird::IMessageMetadata> declared(handle_->getOutputMetadata(&st));
        std::vector<std::string> names;
        Held<Firebird::IMessageMetadata> out(TextColumns(st, declared.Get(), names));
        const unsigned count = out->getCount(&st);
        std::vector<unsigned> offsets(count), nullOffsets(count);
        for (unsigned i = 0; i < count; ++i) {
            offsets[i] = out->getOffset(&st, i);
            nullOffsets[i] = out->getNullOffset(&st, i);
        }
        std::vector<unsigned char> row(out->getMessageLength(&st));

        ResultSet fresh;
        fresh.names_ = std::move(names);
        Held<Firebird::IResultSet> cursor(
            handle_->openCursor(&st, tr_.Handle(), in.meta, in.buffer.data(), out.Get(), 0));
        while (cursor->fetchNext(&st, row.data()) == Firebird::IStatus::RESULT_OK) {
            for (unsigned i = 0; i < count; ++i) {
                short null;
                std::memcpy(&null, row.data() + nullOffsets[i], sizeof null);
                if (null) {
                    fresh.cells_.push_back({0, ResultSet::kNull});
                    continue;
                }
                unsigned short len;
                std::memcpy(&len, row.data() + offsets[i], sizeof len);
                fresh.cells_.push_back({static_cast<std::uint32_t>(fresh.arena_.size()), len});
                fresh.arena_.append(reinterpret_cast<const char*>(row.data() + offsets[i] + sizeof len), len);
            }
            ++fresh.rows_;
        }
        cursor->close(&st);
        cursor.Forget();
        result_ = std::move(fresh);
    });
}

} // namespace vh::fb
