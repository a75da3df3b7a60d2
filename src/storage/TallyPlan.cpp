#include "storage/TallyPlan.h"

#include <cstdio>

namespace vh::storage {

namespace {

// A moment to the second; only the sample time's own form is read.
struct Moment {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

bool Digits(const std::string& t, std::size_t at, std::size_t n, int& out) {
    out = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (t[i] < '0' || t[i] > '9')
            return false;
        out = out * 10 + (t[i] - '0');
    }
    return true;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

bool Parse(const std::string& t, Moment& m) {
    if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':')
        return false;
    if (!Digits(t, 0, 4, m.year) || !Digits(t, 5, 2, m.month) || !Digits(t, 8, 2, m.day) || !Digits(t, 11, 2, m.hour) ||
        !Digits(t, 14, 2, m.minute) || !Digits(t, 17, 2, m.second))
        return false;
    return m.year >= 1 && m.month >= 1 && m.month <= 12 && m.day >= 1 && m.day <= DaysInMonth(m.year, m.month) &&
           m.hour <= 23 && m.minute <= 59 && m.second <= 59;
}

std::string Text(const Moment& m) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", m.year, m.month, m.day, m.hour, m.minute, m.second);
    return buf;
}

std::string MonthText(int year, int month) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d", year, month);
    return buf;
}

Moment DayStart(int year, int month, int day) {
    return {year, month, day, 0, 0, 0};
}

Moment DayEnd(int year, int month, int day) {
    return {year, month, day, 23, 59, 59};
}

Moment NextDay(Moment m) {
    if (++m.day > DaysInMonth(m.year, m.month)) {
        m.day = 1;
        if (++m.month > 12) {
            m.month = 1;
            ++m.year;
        }
    }
    return m;
}

Moment PreviousDay(Moment m) {
    if (--m.day < 1) {
        if (--m.month < 1) {
            m.month = 12;
            --m.year;
        }
        m.day = DaysInMonth(m.year, m.month);
    }
    return m;
}

bool Before(const Moment& a, const Moment& b) {
    return Text(a) < Text(b);
}

void AddRaw(TallyPlan& plan, const Moment& from, const Moment& to) {
    if (!Before(to, from))
        plan.raw.push_back({Text(from), Text(to)});
}

// [from, to] as whole days where it holds any, the ragged ends as samples.
void SplitDays(TallyPlan& plan, PeriodRun& run, const Moment& from, const Moment& to, bool withDays) {
    if (Before(to, from))
        return;
    Moment first = from.hour == 0 && from.minute == 0 && from.second == 0 ? from : NextDay(from);
    Moment last = to.hour == 23 && to.minute == 59 && to.second == 59 ? to : PreviousDay(to);
    first = DayStart(first.year, first.month, first.day);
    last = DayEnd(last.year, last.month, last.day);
    if (!withDays || Before(last, first)) {
        AddRaw(plan, from, to);
        return;
    }
    AddRaw(plan, from, PreviousDay(DayEnd(first.year, first.month, first.day)));
    run = {Text(first).substr(0, 10), Text(last).substr(0, 10)};
    AddRaw(plan, NextDay(DayStart(last.year, last.month, last.day)), to);
}

} // namespace

TallyPlan PlanTally(const std::string& from, const std::string& to, bool withMonths, bool withDays) {
    TallyPlan plan;
    Moment lo, hi;
    if (!Parse(from, lo) || !Parse(to, hi)) {
        plan.raw.push_back({from, to});
        return plan;
    }
    if (Before(hi, lo))
        return plan;

    // The first month that starts at or after from, the last that ends at or before to.
    int fy = lo.year, fm = lo.month;
    if (Text(lo) != Text(DayStart(fy, fm, 1)) && ++fm > 12) {
        fm = 1;
        ++fy;
    }
    int ly = hi.year, lm = hi.month;
    if (Text(hi) != Text(DayEnd(ly, lm, DaysInMonth(ly, lm))) && --lm < 1) {
        lm = 12;
        --ly;
    }
    const Moment monthsFrom = DayStart(fy, fm, 1);
    const Moment monthsTo = DayEnd(ly, lm, DaysInMonth(ly, lm));
    if (!withMonths || Before(monthsTo, monthsFrom)) {
        SplitDays(plan, plan.headDays, lo, hi, withDays);
        return plan;
    }
    plan.months = {MonthText(fy, fm), MonthText(ly, lm)};
    SplitDays(plan, plan.headDays, lo, PreviousDay(DayEnd(fy, fm, 1)), withDays);
    SplitDays(plan, plan.tailDays, NextDay(DayStart(ly, lm, DaysInMonth(ly, lm))), hi, withDays);
    return plan;
}

} // namespace vh::storage
