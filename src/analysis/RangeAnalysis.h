#pragma once
// One analysis of a date-time range, from the bounds to the shares, and the samples behind it. Texts are
// GBK.
#include <string>
#include <vector>

#include "analysis/CsvExport.h"
#include "analysis/Shares.h"

namespace vh::analysis {

enum class Grouping { ByProcess, ByCaption };

enum class AnalysisOutcome {
    Shares,     // the range holds samples; shares lists their groups
    NoData,     // no sample lies in the range
    QueryFailed // the samples could not be read
};

struct RangeAnalysis {
    AnalysisOutcome outcome = AnalysisOutcome::QueryFailed;
    // In order of each group's first sample in the query result; empty unless outcome is Shares.
    std::vector<TimeShare> shares;
};

// Queries the samples of the range and tallies them by the grouping. A failing tally is not an outcome: its
// error leaves the operation.
RangeAnalysis AnalyseRange(const RangeBounds& range, Grouping grouping, char decimalSeparator = '.');

// The samples of the range in the order the analysis query returns them; false when they could not be read.
bool ReadRangeSamples(const RangeBounds& range, std::vector<ExportSample>& samples);

} // namespace vh::analysis
