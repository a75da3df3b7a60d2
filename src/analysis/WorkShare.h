#pragma once
// How much of a range's sampled time went to work programs, day by day: the figure the catalogue of work
// programs exists for. Texts are GBK.
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/Shares.h"
#include "storage/uDBFunc.h"

namespace vh::analysis {

// The samples of one day ("yyyy-mm-dd") or of one bar of the per-day view.
struct WorkCount {
    std::string label;
    std::int64_t work = 0;
    std::int64_t other = 0;
    // The share of the work samples in percent; 0 without samples.
    double Percent() const { return SharePercent(static_cast<double>(work), static_cast<double>(work + other)); }
};

struct WorkShare {
    // Every day of the range, in order; days without samples count 0 and 0.
    std::vector<WorkCount> days;
    // The whole range.
    WorkCount Total() const;
};

// Sorts the per-day counts of the range into work and other samples: a process is a work program when its
// name matches one of workProcesses as the non-work check matches (file-name part, ASCII case ignored).
WorkShare CountWork(const RangeBounds& range, const std::vector<TDayCount>& days, const TStringList& workProcesses);

struct WorkShareAnalysis {
    TReadOutcome outcome = TReadOutcome::Failed;
    WorkShare share;
};
// The range's per-day counts from the database, sorted against the work programs of the catalogue.
WorkShareAnalysis AnalyseWorkShare(const RangeBounds& range);

// The bars of the per-day view: one per day while at most maxBars days fit, else one per week (starting on
// Mondays), else one per month. Labels "mm-dd" (a week by its first day) or "yyyy-mm".
std::vector<WorkCount> WorkBars(const std::vector<WorkCount>& days, std::size_t maxBars);

// "日期,工作次数,其他次数,工作比例(%)" and one row per day, as the other CSV files are written.
std::string DaysCsv(const WorkShare& share);

} // namespace vh::analysis
