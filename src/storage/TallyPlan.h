#pragma once
// How a tally of a time range is read: the whole months and days inside it from the kept counts
// (db/tallies.sql), only the ragged ends from the samples themselves. Bounds and periods are texts of
// the sample time's form, "yyyy-mm-dd hh:nn:ss", compared as text like the range query does.
#include <string>
#include <vector>

namespace vh::storage {

// Periods first..last (inclusive, "yyyy-mm" or "yyyy-mm-dd") whose every moment lies in the range.
struct PeriodRun {
    std::string first;
    std::string last;
    bool Empty() const { return first.empty(); }
};

// Samples with from <= time <= to.
struct RawRange {
    std::string from;
    std::string to;
};

struct TallyPlan {
    PeriodRun months;
    PeriodRun headDays, tailDays; // in the ragged months before and after the whole ones
    std::vector<RawRange> raw;    // what no kept count covers: at most two ranges
};

// Splits [from, to] into whole months (when withMonths), whole days (when withDays) and the samples left
// over. Bounds that do not have the sample time's form are read from the samples alone.
TallyPlan PlanTally(const std::string& from, const std::string& to, bool withMonths, bool withDays);

} // namespace vh::storage
