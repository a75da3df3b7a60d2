#pragma once
// One analysis of a date-time range, from the bounds to the shares, the samples behind it, and the page's
// clearing of every sample. Texts are GBK.
#include <string>
#include <vector>

#include "analysis/CsvExport.h"
#include "analysis/Shares.h"
#include "storage/uDBFunc.h"

namespace vh::analysis {

enum class Grouping { ByProcess, ByCaption };

enum class AnalysisOutcome {
    Shares,     // the range holds samples; shares lists their groups
    NoData,     // no sample lies in the range
    QueryFailed // the samples could not be read
};

struct RangeAnalysis {
    AnalysisOutcome outcome = AnalysisOutcome::QueryFailed;
    // In order of each group's first sample in the range's time order; empty unless outcome is Shares.
    std::vector<TimeShare> shares;
};

// The range's samples counted by the database per process name or caption, as shares.
RangeAnalysis AnalyseRange(const RangeBounds& range, Grouping grouping, char decimalSeparator = '.');

// One share per tally row, in the rows' order.
std::vector<TimeShare> BuildTimeShares(const std::vector<TTallyRow>& rows, char decimalSeparator = '.');

// The samples of the range in time order; false when they could not be read.
[[nodiscard]] bool ReadRangeSamples(const RangeBounds& range, std::vector<ExportSample>& samples);

// "清空所有记录" once the user has said yes: first today's copy of the database (as the daily one), then every
// sample goes. Without a copy nothing is deleted.
struct ClearOutcome {
    enum Kind { Cleared, BackupFailed, Refused };
    Kind kind = Refused;
    std::string reason; // BackupFailed: why no copy was made (GBK)
};
// Throws only when the deletion's roll-back fails (no connection).
ClearOutcome ClearAllSamples();

} // namespace vh::analysis
