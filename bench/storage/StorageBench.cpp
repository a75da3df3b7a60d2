// TDBFunc against the bare Firebird API doing the same work on the same database files.
// The year of samples (525,600 rows, one per minute, 300 process names, 5,000 captions) is generated
// once into <build>/bench/storage-year/ABC.GDB and reused by later runs.
// The engine runs in the program's default mode (the file held exclusively); VH_BENCH_SHARED=1 runs it as
// with System/SharedDatabase on (databases open shared), to compare the two.
#include <benchmark/benchmark.h>
#include <firebird/Interface.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "storage/Backup.h"
#include "storage/FbApi.h"
#include "storage/uDBFunc.h"
#include "storage/uDBMoudle.h"

namespace fs = std::filesystem;

namespace {

constexpr int kYearRows = 525600;
constexpr int kProcesses = 300;
constexpr int kCaptions = 5000;
const char* const kYearFrom = "2025-01-01 00:00:00";
const char* const kYearTo = "2025-12-31 23:59:59";
const char* const kDayFrom = "2025-06-15 00:00:00";
const char* const kDayTo = "2025-06-15 23:59:59";

// ---------------------------------------------------------------- the bare API, as a reference

using Firebird::IStatus;
using Firebird::ThrowStatusWrapper;

struct Raw {
    Firebird::IMaster* master = vh::fb::Client::Get().Master();
    IStatus* raw = master->getStatus();
    ThrowStatusWrapper st{raw};
    Firebird::IAttachment* att = nullptr;

    explicit Raw(const std::string& path, bool forcedWrites = true) {
        Firebird::IXpbBuilder* dpb =
            master->getUtilInterface()->getXpbBuilder(&st, Firebird::IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&st, isc_dpb_user_name, "ADMIN");
        dpb->insertString(&st, isc_dpb_password, "k4rv9tbe");
        dpb->insertInt(&st, isc_dpb_sql_dialect, 1);
        if (!forcedWrites)
            dpb->insertInt(&st, isc_dpb_force_write, 0);
        att =
            master->getDispatcher()->attachDatabase(&st, path.c_str(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
        dpb->dispose();
    }
    ~Raw() {
        if (att)
            att->detach(&st);
        st.dispose();
    }
    Firebird::ITransaction* Start() {
        static const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_nowait, isc_tpb_read_committed,
                                            isc_tpb_rec_version};
        return att->startTransaction(&st, sizeof tpb, tpb);
    }
};

// A message laid out by a statement's own metadata, with VARCHAR slots filled by position.
struct Message {
    Firebird::IMessageMetadata* meta = nullptr;
    std::vector<unsigned char> buf;
    Message(Firebird::IMessageMetadata* m, ThrowStatusWrapper* st) : meta(m), buf(m->getMessageLength(st)) {}
    ~Message() { meta->release(); }
    void SetText(ThrowStatusWrapper* st, unsigned i, const std::string& v) {
        unsigned char* p = buf.data() + meta->getOffset(st, i);
        auto len = static_cast<unsigned short>(v.size());
        std::memcpy(p, &len, 2);
        std::memcpy(p + 2, v.data(), v.size());
        *reinterpret_cast<short*>(buf.data() + meta->getNullOffset(st, i)) = 0;
    }
};

std::string TimeText(int minute) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int day = minute / 1440, m = minute % 1440, month = 0;
    while (day >= days[month])
        day -= days[month++];
    char buf[32];
    std::snprintf(buf, sizeof buf, "2025-%02d-%02d %02d:%02d:00", month + 1, day + 1, m / 60, m % 60);
    return buf;
}

std::vector<std::string> ProcessNames() {
    std::vector<std::string> v;
    for (int i = 0; i < kProcesses; ++i)
        v.push_back("process" + std::to_string(i) + ".exe");
    return v;
}

std::vector<std::string> Captions() {
    std::vector<std::string> v;
    const std::string prefix = vh::text::Utf8ToGbk("文档 ");
    const std::string suffix = vh::text::Utf8ToGbk(" - 编辑器");
    for (int i = 0; i < kCaptions; ++i)
        v.push_back(prefix + std::to_string(i) + suffix + (i % 7 == 0 ? "  " : ""));
    return v;
}

std::string BenchDir(const std::string& name) {
    fs::path dir = fs::path(VH_BENCH_DIR) / name;
    fs::create_directories(dir);
    return dir.string() + "/";
}

std::string YearFolder() {
    static std::string dir = [] {
        std::string d = BenchDir("storage-year");
        std::string db = d + "ABC.GDB";
        if (fs::exists(db)) {
            Raw r(db);
            auto* tr = r.Start();
            auto* rs = r.att->openCursor(&r.st, tr, 0, "select count(*) from timeinfo", 1, nullptr, nullptr, nullptr,
                                         nullptr, 0);
            Message out(rs->getMetadata(&r.st), &r.st);
            rs->fetchNext(&r.st, out.buf.data());
            ISC_INT64 n = 0;
            std::memcpy(&n, out.buf.data() + out.meta->getOffset(&r.st, 0), out.meta->getLength(&r.st, 0) == 8 ? 8 : 4);
            rs->close(&r.st);
            tr->commit(&r.st);
            if (n == kYearRows)
                return d;
        }
        std::fprintf(stderr, "generating %d samples into %s ...\n", kYearRows, db.c_str());
        std::string part = db + ".part";
        fs::copy_file(VH_TEMPLATE_DB, part, fs::copy_options::overwrite_existing);
        {
            Raw r(part, false);
            auto* tr = r.Start();
            auto* stmt = r.att->prepare(&r.st, tr, 0, "EXECUTE PROCEDURE INSERTVALUE (?, ?, ?, ?)", 1,
                                        Firebird::IStatement::PREPARE_PREFETCH_METADATA);
            Message in(stmt->getInputMetadata(&r.st), &r.st);
            auto names = ProcessNames();
            auto captions = Captions();
            unsigned seed = 12345;
            auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8); };
            for (int i = 0; i < kYearRows; ++i) {
                in.SetText(&r.st, 0, TimeText(i));
                in.SetText(&r.st, 1, captions[next() % kCaptions]);
                in.SetText(&r.st, 2, names[next() % kProcesses]);
                in.SetText(&r.st, 3, "");
                stmt->execute(&r.st, tr, in.meta, in.buf.data(), nullptr, nullptr);
            }
            stmt->free(&r.st);
            tr->commit(&r.st);
        }
        fs::rename(part, db);
        return d;
    }();
    return dir;
}

// Fetches every row of the range through the declared layout and tallies one column by its trimmed text.
void RawScan(benchmark::State& state, const char* from, const char* to, unsigned column) {
    Raw r(YearFolder() + "ABC.GDB");
    auto* tr = r.Start();
    auto* stmt = r.att->prepare(&r.st, tr, 0, "select * from timeinfo where timedetail>=? and timedetail<=?", 1,
                                Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    Message in(stmt->getInputMetadata(&r.st), &r.st);
    in.SetText(&r.st, 0, from);
    in.SetText(&r.st, 1, to);
    Message out(stmt->getOutputMetadata(&r.st), &r.st);
    const unsigned offset = out.meta->getOffset(&r.st, column);
    std::size_t rows = 0;
    for (auto _ : state) {
        std::unordered_map<std::string, long> tally;
        std::string key;
        auto* rs = stmt->openCursor(&r.st, tr, in.meta, in.buf.data(), out.meta, 0);
        while (rs->fetchNext(&r.st, out.buf.data()) == IStatus::RESULT_OK) {
            unsigned short len;
            std::memcpy(&len, out.buf.data() + offset, 2);
            const char* p = reinterpret_cast<const char*>(out.buf.data() + offset + 2);
            while (len && static_cast<unsigned char>(*p) <= 0x20)
                ++p, --len;
            while (len && static_cast<unsigned char>(p[len - 1]) <= 0x20)
                --len;
            key.assign(p, len);
            ++tally[key];
        }
        rs->close(&r.st);
        rows = 0;
        for (auto& [k, n] : tally)
            rows += n;
        benchmark::DoNotOptimize(tally);
    }
    state.counters["rows"] = static_cast<double>(rows);
    stmt->free(&r.st);
    tr->commit(&r.st);
}

// ---------------------------------------------------------------- the program's operations

// The database module opened on ABC.GDB in folder, as at start-up.
struct Module {
    explicit Module(const std::string& folder) {
        vh::platform::OverrideExecutableDir(folder);
        dm = std::make_unique<TDMMain>([](const std::string& e) { throw std::runtime_error(e); });
    }
    ~Module() {
        dm.reset();
        vh::platform::OverrideExecutableDir("");
    }
    std::unique_ptr<TDMMain> dm;
};

// The analysis's tally: the database counts the groups of the range (from the kept counts where they cover
// whole months and days).
void Analyse(benchmark::State& state, const char* from, const char* to, bool byTitle) {
    Module m(YearFolder());
    std::size_t groups = 0, rows = 0;
    for (auto _ : state) {
        const TRead<TTallyRow> tally = byTitle ? TDBFunc::CountByTitle(from, to) : TDBFunc::CountByProcess(from, to);
        if (tally.outcome != TReadOutcome::Rows) {
            state.SkipWithError("query failed");
            break;
        }
        groups = tally.rows.size();
        rows = 0;
        for (const TTallyRow& r : tally.rows)
            rows += static_cast<std::size_t>(r.count);
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["groups"] = static_cast<double>(groups);
}

void BM_AnalyseYear(benchmark::State& state) {
    Analyse(state, kYearFrom, kYearTo, false);
}
void BM_AnalyseYearByTitle(benchmark::State& state) {
    Analyse(state, kYearFrom, kYearTo, true);
}
void BM_RawScanYear(benchmark::State& state) {
    RawScan(state, kYearFrom, kYearTo, 2);
}
void BM_RawScanYearByTitle(benchmark::State& state) {
    RawScan(state, kYearFrom, kYearTo, 1);
}
void BM_AnalyseDay(benchmark::State& state) {
    Analyse(state, kDayFrom, kDayTo, false);
}
void BM_RawScanDay(benchmark::State& state) {
    RawScan(state, kDayFrom, kDayTo, 2);
}

// The add dialog's list on opening: the names of the last 30 days of a year (43,200 samples), at most 40.
void BM_RecentProcessesYear(benchmark::State& state) {
    Module m(YearFolder());
    std::vector<TProcessUse> uses;
    for (auto _ : state) {
        TRead<TProcessUse> read = TDBFunc::ListRecentProcesses("2025-12-02 00:00:00", 40);
        if (read.Failed()) {
            state.SkipWithError("query failed");
            break;
        }
        uses = std::move(read.rows);
        benchmark::DoNotOptimize(uses);
    }
    state.counters["names"] = static_cast<double>(uses.size());
}

std::string FreshInsertFolder() {
    std::string d = BenchDir("storage-insert");
    fs::copy_file(VH_TEMPLATE_DB, d + "ABC.GDB", fs::copy_options::overwrite_existing);
    return d;
}

void BM_InsertSample(benchmark::State& state) {
    Module m(FreshInsertFolder());
    const std::string caption = vh::text::Utf8ToGbk("文档 1 - 编辑器");
    int i = 0;
    for (auto _ : state) {
        if (TDBFunc::InsertSample(TimeText(i++ % kYearRows), caption, "process1.exe", "") != TWriteResult::Done) {
            state.SkipWithError("insert refused");
            break;
        }
    }
}

void BM_RawInsertCommit(benchmark::State& state) {
    Raw r(FreshInsertFolder() + "ABC.GDB");
    auto* tr = r.Start();
    auto* stmt = r.att->prepare(&r.st, tr, 0, "EXECUTE PROCEDURE INSERTVALUE (?, ?, ?, ?)", 1,
                                Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    tr->commit(&r.st);
    Message in(stmt->getInputMetadata(&r.st), &r.st);
    const std::string caption = vh::text::Utf8ToGbk("文档 1 - 编辑器");
    int i = 0;
    for (auto _ : state) {
        in.SetText(&r.st, 0, TimeText(i++ % kYearRows));
        in.SetText(&r.st, 1, caption);
        in.SetText(&r.st, 2, "process1.exe");
        in.SetText(&r.st, 3, "");
        tr = r.Start();
        stmt->execute(&r.st, tr, in.meta, in.buf.data(), nullptr, nullptr);
        tr->commit(&r.st);
    }
    stmt->free(&r.st);
}

// The daily copy of the year database: the engine's backup into a fresh folder, done from a worker thread
// as the program runs it, while the module holds the database.
void BM_BackupYear(benchmark::State& state) {
    Module m(YearFolder());
    const std::string db = YearFolder() + "ABC.GDB";
    const std::string dir = BenchDir("storage-backup");
    double bytes = 0;
    for (auto _ : state) {
        vh::storage::BackupOutcome outcome;
        std::thread worker([&] { outcome = vh::storage::BackupDatabase(db, dir, {2025, 12, 31}); });
        worker.join();
        if (!outcome.done) {
            state.SkipWithError(outcome.reason.c_str());
            break;
        }
        bytes = static_cast<double>(fs::file_size(outcome.file));
    }
    state.counters["copy_bytes"] = bytes;
    state.counters["database_bytes"] = static_cast<double>(fs::file_size(db));
}

// The engine's mode is chosen when it is loaded, before the first benchmark (the bare API's included).
const bool g_modeChosen = [] {
    const char* shared = std::getenv("VH_BENCH_SHARED");
    vh::fb::Client::SetSharedAccess(shared && std::string(shared) == "1");
    vh::fb::Client::Get();
    return true;
}();

} // namespace

BENCHMARK(BM_InsertSample)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_RawInsertCommit)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_AnalyseYear)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_RecentProcessesYear)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_RawScanYear)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_AnalyseYearByTitle)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_RawScanYearByTitle)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_AnalyseDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BackupYear)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_RawScanDay)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
