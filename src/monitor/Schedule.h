#pragma once
// The monitoring schedule: when the sampler runs. Plain logic over the settings file and the clock.
#include <string>

#include "settings/SettingsKeys.h"

class TSettingsAccessor;

// The schedule as loaded at start-up and changed by apply: the only settings the program keeps in memory.
// One lives in the assembly; what reads or changes it is handed it.
struct TMonitorSchedule {
    int TaskType = 1;              // 0 every day, 1 once, 2 cancelled; any other value behaves as every day
    std::string TimeFrom, TimeEnd; // "H:M:S" as the selectors build them, e.g. "8:0:0"
    int MonitorInterval = 1;       // minutes
};

// The largest record interval whose milliseconds (x 60000) still fit a signed 32-bit timer interval.
constexpr int MaxMonitorInterval = vh::settings::keys::MonitorInterval.max;

// Reads TimeConfig into schedule; missing times default to the present time of day.
void LoadSchedule(const TSettingsAccessor& settings, TMonitorSchedule& schedule);
// Writes Taskexecutype, TimeFrom, TimeEnd, MonitorInterval and DaySetting (today). Throws when the file
// refuses the write.
void SaveSchedule(const TSettingsAccessor& settings, int taskType, const std::string& from, int interval,
                  const std::string& end);
// Whether the present second lies strictly between TimeFrom and TimeEnd (and, for a one-off schedule, on
// the day it was applied). Reads Daysetting on every call. A stored time that cannot be read is never inside.
bool IsInPeriod(const TSettingsAccessor& settings, const TMonitorSchedule& schedule);

// "H:M:S" without leading zeros, as the page's selectors build a time.
std::string BuildTimeText(int hour, int minute, int second);

// What the page holds when "应用" is pressed; a selector index of -1 means nothing is selected.
struct TScheduleInput {
    int TaskType = 0;
    int FromHour = -1, FromMinute = -1, FromSecond = -1;
    int EndHour = -1, EndMinute = -1, EndSecond = -1;
    std::string IntervalText; // the interval edit's text
};

// The record interval as a whole number of minutes in 1..MaxMonitorInterval; false otherwise.
bool ParseMonitorInterval(const std::string& text, int& minutes);
// The validity check of apply: every selector holds a value in range, the interval is acceptable, and
// (unless the schedule is being cancelled) the start is earlier than the end. Stored texts that fail it
// would make every later check of the period meaningless, so nothing is stored then.
bool IsValidScheduleInput(const TScheduleInput& input);

// The outcome of the page's "应用", in the order its steps run.
enum class TScheduleApplyResult {
    DatabaseError, // the database module could not be created: nothing checked or stored
    Invalid,       // IsValidScheduleInput refused the input: nothing stored
    Applied,       // stored in the file and in MonitorSchedule: the schedule timer restarts
};
// Opens the database (the fallback opening), checks the input, writes the schedule and then schedule.
// Throws when the settings file refuses the write; schedule stays as it was then.
TScheduleApplyResult ApplySchedule(const TSettingsAccessor& settings, const TScheduleInput& input,
                                   TMonitorSchedule& schedule);

// The notice the page shows for an outcome: caption and text (GBK).
struct TScheduleNotice {
    std::string caption;
    std::string text;
};
TScheduleNotice ScheduleApplyNotice(TScheduleApplyResult result);

// The sampling timer's interval for a record interval; 0 (a timer that never fires) when the minutes are
// outside 1..MaxMonitorInterval, as a hand-edited settings file may hold.
int SamplingIntervalMs(int monitorInterval);

// What the schedule timer's tick does to the sampling timer.
enum class TSamplingAction {
    Keep,    // running with the right interval: leave it, its count goes on
    Restart, // stop, set the wanted interval, start (a full interval from now)
    Stop,    // outside the period
};
TSamplingAction DecideSampling(bool inPeriod, bool samplingEnabled, int samplingIntervalMs, int wantedIntervalMs);

// The start-up question about the monitoring task.
enum class TStartupTask {
    StartTimer, // inside the period, AutoTask on: start the schedule timer without asking
    Ask,        // inside the period, AutoTask off: ask, then StartTimer or DeclineStartupTask
    Nothing,    // outside the period: the schedule timer stays off
};
TStartupTask DecideStartupTask(const TSettingsAccessor& settings, const TMonitorSchedule& schedule);
// The user declined to run the task now: the schedule is cancelled, in the file and in memory.
void DeclineStartupTask(const TSettingsAccessor& settings, TMonitorSchedule& schedule);
