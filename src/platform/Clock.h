#pragma once
// One injectable clock: schedule, sampling and analysis read the time only through it.
#include <chrono>
#include <functional>
#include <string>

namespace vh {

struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, msec = 0;
};

// The local date and time now (the test clock when one is set).
DateTime Now();
// Replaces the clock; an empty function restores the system clock.
void SetClock(std::function<DateTime()> clock);

// The moment a local date and time names (the milliseconds are kept). In the hour a clock change repeats,
// the system picks one of the two.
std::chrono::system_clock::time_point ToSystemTime(const DateTime& t);

// "yyyy-mm-dd hh:nn:ss", 24-hour clock, zero-padded: the stored moment of a sample.
std::string FormatSampleTime(const DateTime& t);

// The program's fixed long time format "H:mm:ss" (what it writes for times of day) and short date
// format "yyyy-MM-dd" (what it writes for dates).
std::string FormatLongTime(const DateTime& t);
std::string FormatShortDate(const DateTime& t);

// Reads a time of day "H:M" or "H:M:S" (one or two digits each, blanks around allowed); false when not a
// valid time of day. Accepts what FormatLongTime writes and what the selectors build ("8:0:0").
bool ParseTimeOfDay(const std::string& text, int& hour, int& minute, int& second);

} // namespace vh
