#include "analysis/RangeAnalysis.h"

#include <cmath>

#include "platform/Clock.h"
#include "storage/Backup.h"
#include <utility>

namespace vh::analysis {

namespace {
AnalysisOutcome OutcomeOf(TReadOutcome read) {
    switch (read) {
    case TReadOutcome::Rows:
        return AnalysisOutcome::Shares;
    case TReadOutcome::NoRows:
        return AnalysisOutcome::NoData;
    case TReadOutcome::Failed:
        break;
    }
    return AnalysisOutcome::QueryFailed;
}
} // namespace

std::vector<TimeShare> BuildTimeShares(const std::vector<TTallyRow>& rows, char decimalSeparator) {
    std::vector<TimeShare> shares;
    shares.reserve(rows.size());
    double sum = 0;
    for (const TTallyRow& r : rows) {
        shares.push_back({r.name, r.count, 0, {}});
        sum += std::fabs(static_cast<double>(r.count));
    }
    for (TimeShare& s : shares) {
        s.share = SharePercent(std::fabs(static_cast<double>(s.count)), sum);
        s.text = FormatShare(s.share, decimalSeparator);
    }
    return shares;
}

RangeAnalysis AnalyseRange(const RangeBounds& range, Grouping grouping, char decimalSeparator) {
    const TRead<TTallyRow> tally = grouping == Grouping::ByCaption ? TDBFunc::CountByTitle(range.from, range.to)
                                                                   : TDBFunc::CountByProcess(range.from, range.to);
    RangeAnalysis result;
    result.outcome = OutcomeOf(tally.outcome);
    if (result.outcome == AnalysisOutcome::Shares)
        result.shares = BuildTimeShares(tally.rows, decimalSeparator);
    return result;
}

bool ReadRangeSamples(const RangeBounds& range, std::vector<ExportSample>& samples) {
    samples.clear();
    TRead<TSampleRow> read = TDBFunc::QuerySamples(range.from, range.to);
    if (read.Failed())
        return false;
    samples.reserve(read.rows.size());
    for (TSampleRow& r : read.rows)
        samples.push_back({std::move(r.time), std::move(r.processName), std::move(r.caption)});
    return true;
}

ClearOutcome ClearAllSamples() {
    const std::string database = TDBFunc::DatabaseFile();
    if (!database.empty()) {
        const vh::storage::BackupOutcome copy =
            vh::storage::BackupDatabase(database, vh::storage::BackupFolderFor(database), vh::Now());
        if (!copy.done)
            return {ClearOutcome::BackupFailed, copy.reason};
    }
    // Without a connection the deletion fails as every write does.
    return {TDBFunc::DeleteAllSamples() == TWriteResult::Done ? ClearOutcome::Cleared : ClearOutcome::Refused, {}};
}

} // namespace vh::analysis
