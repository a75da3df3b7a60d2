#include "analysis/RangeAnalysis.h"

#include <utility>

#include "storage/uDBFunc.h"

namespace vh::analysis {

namespace {
// The query reports its outcome by overwriting the from bound: "-1" for no sample, "-2" for a failure.
AnalysisOutcome Query(const RangeBounds& range) {
    std::string from = range.from;
    TDBFunc::QuerySamples(from, range.to);
    if (from == "-2")
        return AnalysisOutcome::QueryFailed;
    if (from == "-1")
        return AnalysisOutcome::NoData;
    return AnalysisOutcome::Shares;
}
} // namespace

RangeAnalysis AnalyseRange(const RangeBounds& range, Grouping grouping, char decimalSeparator) {
    RangeAnalysis result;
    result.outcome = Query(range);
    if (result.outcome != AnalysisOutcome::Shares)
        return result;
    TStringList counts, names;
    if (grouping == Grouping::ByCaption)
        TDBFunc::CountByTitle(counts, names);
    else
        TDBFunc::CountByProcess(counts, names);
    result.shares = BuildTimeShares(counts, names, decimalSeparator);
    return result;
}

bool ReadRangeSamples(const RangeBounds& range, std::vector<ExportSample>& samples) {
    samples.clear();
    switch (Query(range)) {
    case AnalysisOutcome::QueryFailed:
        return false;
    case AnalysisOutcome::NoData:
        return true;
    case AnalysisOutcome::Shares:
        break;
    }
    std::vector<TSampleRow> rows;
    if (!TDBFunc::ReadQueriedSamples(rows))
        return false;
    samples.reserve(rows.size());
    for (TSampleRow& r : rows)
        samples.push_back({std::move(r.time), std::move(r.processName), std::move(r.caption)});
    return true;
}

} // namespace vh::analysis
