// The statistics page over a year of samples (525,600 rows, 300 process names): the shares, the work share
// and the per-day view, drawn.
// The year database is the one bench_storage generates into <build>/bench/storage-year/ (run it first).
#include <QApplication>
#include <QDate>
#include <QDateEdit>
#include <QPieSeries>
#include <QTableWidget>
#include <QTime>
#include <QTimeEdit>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "analysis/StatisticPage.h"
#include "platform/AppPaths.h"
#include "storage/uDBFunc.h"
#include "storage/uDBMoudle.h"
#include "support/FakePageHost.h"

namespace {

const char* const kYearFrom = "2025-01-01 00:00:00";
const char* const kYearTo = "2025-12-31 23:59:59";

std::string YearFolder() {
    return std::string(VH_BENCH_DIR) + "/storage-year/";
}

struct Module {
    Module() {
        vh::platform::OverrideExecutableDir(YearFolder());
        dm = std::make_unique<TDMMain>([](const std::string& e) { throw std::runtime_error(e); });
    }
    ~Module() {
        dm.reset();
        vh::platform::OverrideExecutableDir("");
    }
    std::unique_ptr<TDMMain> dm;
};

bool HaveYear(benchmark::State& state) {
    if (std::filesystem::exists(YearFolder() + "ABC.GDB"))
        return true;
    state.SkipWithError("no year database: run bench_storage first (it generates bench/storage-year/ABC.GDB)");
    return false;
}

void BM_AnalyseYear(benchmark::State& state) {
    if (!HaveYear(state))
        return;
    Module m;
    std::size_t groups = 0;
    for (auto _ : state) {
        const TRead<TTallyRow> tally = TDBFunc::CountByProcess(kYearFrom, kYearTo);
        if (tally.outcome != TReadOutcome::Rows) {
            state.SkipWithError("query failed");
            break;
        }
        groups = tally.rows.size();
    }
    state.counters["groups"] = static_cast<double>(groups);
}

void BM_AnalysePageYear(benchmark::State& state) {
    if (!HaveYear(state))
        return;
    Module m;
    vh::test::FakePageHost host;
    TStatisticPage page(host, nullptr);
    page.resize(548, 436);
    page.show();
    page.dtp1->setDate(QDate(2025, 1, 1));
    page.dtp2->setTime(QTime(0, 0, 0));
    page.dtp3->setDate(QDate(2025, 12, 31));
    page.dtp4->setTime(QTime(23, 59, 59));
    QApplication::processEvents();
    for (auto _ : state) {
        page.AnalyseRange();
        QApplication::processEvents();
    }
    if (page.sLV1->rowCount() != page.pieS1TimeUse->count() || !host.notices.empty())
        state.SkipWithError("the page did not fill chart and list");
    state.counters["groups"] = static_cast<double>(page.pieS1TimeUse->count());
}

// The page's own share: drawing 300 groups into chart and list, no database.
void BM_FillChart300(benchmark::State& state) {
    vh::test::FakePageHost host;
    TStatisticPage page(host, nullptr);
    page.resize(548, 436);
    page.show();
    TStringList counts, names;
    for (int i = 0; i < 300; ++i) {
        counts.push_back(std::to_string(1000 + i * 7));
        names.push_back("process" + std::to_string(i) + ".exe");
    }
    for (auto _ : state) {
        page.FillTimeChart(counts, names);
        QApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_FillChart300)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_AnalyseYear)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_AnalysePageYear)->Unit(benchmark::kMillisecond)->MinTime(3.0);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen").toUtf8());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
