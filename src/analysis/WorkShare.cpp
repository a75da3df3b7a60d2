#include "analysis/WorkShare.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <unordered_map>

#include "analysis/CsvExport.h"
#include "monitor/NonWork.h"

namespace vh::analysis {

namespace {

using std::chrono::sys_days;
using std::chrono::year_month_day;

// The date of a "yyyy-mm-dd..." text; false when it has no valid date.
bool ReadDay(const std::string& text, year_month_day& day) {
    int y = 0;
    unsigned m = 0, d = 0;
    if (text.size() < 10 || std::sscanf(text.c_str(), "%4d-%2u-%2u", &y, &m, &d) != 3)
        return false;
    day = year_month_day{std::chrono::year{y}, std::chrono::month{m}, std::chrono::day{d}};
    return day.ok();
}

std::string DayText(const year_month_day& d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(d.year()), static_cast<unsigned>(d.month()),
                  static_cast<unsigned>(d.day()));
    return buf;
}

// Longer ranges are shown by week or month anyway; this keeps a mistyped year from making millions of days.
constexpr int kMaxDays = 3660;

} // namespace

WorkShare CountWork(const RangeBounds& range, const std::vector<TDayCount>& days, const TStringList& workProcesses) {
    WorkShare share;
    // Every day of the range, in order, so that days without samples show.
    year_month_day first{}, last{};
    std::map<std::string, WorkCount> byDay;
    if (ReadDay(range.from, first) && ReadDay(range.to, last)) {
        int n = 0;
        for (sys_days d = sys_days{first}; d <= sys_days{last} && n < kMaxDays; d += std::chrono::days{1}, ++n)
            byDay.emplace(DayText(year_month_day{d}), WorkCount{DayText(year_month_day{d}), 0, 0});
    }
    // One match per process name, not per row: a year has a row per day and process.
    std::unordered_map<std::string, bool> isWork;
    for (const TDayCount& row : days) {
        auto [it, inserted] = isWork.try_emplace(row.processName, false);
        if (inserted)
            it->second = vh::monitor::IsWorkProgram(row.processName, workProcesses);
        WorkCount& day = byDay.try_emplace(row.day, WorkCount{row.day, 0, 0}).first->second;
        (it->second ? day.work : day.other) += row.count;
    }
    share.days.reserve(byDay.size());
    for (auto& [key, count] : byDay)
        share.days.push_back(std::move(count));
    return share;
}

WorkCount WorkShare::Total() const {
    WorkCount total;
    for (const WorkCount& d : days) {
        total.work += d.work;
        total.other += d.other;
    }
    return total;
}

WorkShareAnalysis AnalyseWorkShare(const RangeBounds& range) {
    WorkShareAnalysis result;
    TRead<TDayCount> days = TDBFunc::CountByDay(range.from, range.to);
    result.outcome = days.outcome;
    if (days.Failed())
        return result;
    // A failed read of the catalogue counts everything as other, as the non-work check does.
    TStringList work;
    try {
        work = TDBFunc::ListWorkProcesses().rows;
    } catch (...) {
        // Its roll-back failed as well (no connection).
    }
    result.share = CountWork(range, days.rows, work);
    return result;
}

std::vector<WorkCount> WorkBars(const std::vector<WorkCount>& days, std::size_t maxBars) {
    if (days.size() <= maxBars)
        return days;
    const auto group = [&](auto keyOf) {
        std::vector<WorkCount> bars;
        std::string current;
        for (const WorkCount& d : days) {
            year_month_day ymd{};
            if (!ReadDay(d.label, ymd))
                continue;
            const std::string key = keyOf(ymd);
            if (bars.empty() || key != current) {
                current = key;
                bars.push_back({key, 0, 0});
            }
            bars.back().work += d.work;
            bars.back().other += d.other;
        }
        return bars;
    };
    std::vector<WorkCount> weeks = group([](const year_month_day& ymd) {
        // Back to the Monday of the week.
        const std::chrono::weekday wd{sys_days{ymd}};
        const year_month_day monday{sys_days{ymd} - std::chrono::days{(wd.c_encoding() + 6) % 7}};
        return DayText(monday).substr(5);
    });
    if (weeks.size() <= maxBars)
        return weeks;
    return group([](const year_month_day& ymd) { return DayText(ymd).substr(0, 7); });
}

std::string DaysCsv(const WorkShare& share) {
    std::string out(kUtf8Bom);
    out += "日期,工作次数,其他次数,工作比例(%)\r\n";
    for (const WorkCount& d : share.days) {
        std::string percent = FormatShare(d.Percent(), '.');
        percent = percent.substr(0, percent.find(' '));
        out += CsvField(d.label, false) + ',' + std::to_string(d.work) + ',' + std::to_string(d.other) + ',' + percent +
               "\r\n";
    }
    return out;
}

} // namespace vh::analysis
