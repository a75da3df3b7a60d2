#include "monitor/Schedule.h"

#include <exception>

#include "platform/Clock.h"
#include "platform/Text.h"
#include "settings/SettingsAccessor.h"
#include "storage/uDBFunc.h"

namespace {

namespace keys = vh::settings::keys;

bool SecondOfDay(const std::string& text, int& out) {
    int h = 0, m = 0, s = 0;
    if (!vh::ParseTimeOfDay(text, h, m, s))
        return false;
    out = h * 3600 + m * 60 + s;
    return true;
}

bool InRange(int v, int hi) {
    return v >= 0 && v <= hi;
}

} // namespace

void LoadSchedule(const TSettingsAccessor& settings, TMonitorSchedule& schedule) {
    // Times are kept as stored; one that cannot be read only keeps the period empty (see IsInPeriod).
    const std::string now = vh::FormatLongTime(vh::Now());
    schedule.MonitorInterval = settings.ReadNumber(keys::MonitorInterval);
    schedule.TaskType = settings.ReadNumber(keys::TaskExecutype);
    schedule.TimeEnd = settings.ReadText(keys::TimeEnd, now);
    schedule.TimeFrom = settings.ReadText(keys::TimeFrom, now);
}

void SaveSchedule(const TSettingsAccessor& settings, int taskType, const std::string& from, int interval,
                  const std::string& end) {
    settings.WriteNumber(keys::TaskExecutype, taskType);
    settings.WriteText(keys::TimeFrom, from);
    settings.WriteText(keys::TimeEnd, end);
    settings.WriteNumber(keys::MonitorInterval, interval);
    settings.WriteText(keys::DaySetting, vh::FormatShortDate(vh::Now()));
}

bool IsInPeriod(const TSettingsAccessor& settings, const TMonitorSchedule& schedule) {
    if (schedule.TaskType == 2)
        return false;
    const vh::DateTime now = vh::Now();
    const std::string today = vh::FormatShortDate(now);
    std::string day = settings.ReadText(keys::DaySetting);
    if (day.empty())
        day = today;
    if (schedule.TaskType == 1 && day != today)
        return false;
    int from = 0, end = 0;
    if (!SecondOfDay(schedule.TimeFrom, from) || !SecondOfDay(schedule.TimeEnd, end))
        return false;
    // Whole seconds on both sides, so "within a millisecond" is plain equality; both ends are excluded.
    const int second = now.hour * 3600 + now.minute * 60 + now.second;
    return second > from && second < end;
}

std::string BuildTimeText(int hour, int minute, int second) {
    return std::to_string(hour) + ":" + std::to_string(minute) + ":" + std::to_string(second);
}

bool ParseMonitorInterval(const std::string& text, int& minutes) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    if (b == e)
        return false;
    long long v = 0;
    for (std::size_t i = b; i < e; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + (text[i] - '0');
        if (v > keys::MonitorInterval.max)
            return false;
    }
    if (!keys::MonitorInterval.InRange(v))
        return false;
    minutes = static_cast<int>(v);
    return true;
}

namespace {

// The check of IsValidScheduleInput; minutes receives the parsed interval.
bool CheckScheduleInput(const TScheduleInput& in, int& minutes) {
    if (!InRange(in.FromHour, 23) || !InRange(in.FromMinute, 59) || !InRange(in.FromSecond, 59) ||
        !InRange(in.EndHour, 23) || !InRange(in.EndMinute, 59) || !InRange(in.EndSecond, 59))
        return false;
    if (!ParseMonitorInterval(in.IntervalText, minutes))
        return false;
    if (in.TaskType == 2)
        return true;
    const int from = in.FromHour * 3600 + in.FromMinute * 60 + in.FromSecond;
    const int end = in.EndHour * 3600 + in.EndMinute * 60 + in.EndSecond;
    return from < end;
}

} // namespace

bool IsValidScheduleInput(const TScheduleInput& in) {
    int minutes = 0;
    return CheckScheduleInput(in, minutes);
}

TScheduleApplyResult ApplySchedule(const TSettingsAccessor& settings, const TScheduleInput& in,
                                   TMonitorSchedule& schedule) {
    try {
        // OpenDatabase: connects to the fallback database when the start-up opening failed.
        TDBFunc opened;
    } catch (const std::exception&) {
        return TScheduleApplyResult::DatabaseError;
    }
    int interval = 0;
    if (!CheckScheduleInput(in, interval))
        return TScheduleApplyResult::Invalid;
    const std::string from = BuildTimeText(in.FromHour, in.FromMinute, in.FromSecond);
    const std::string end = BuildTimeText(in.EndHour, in.EndMinute, in.EndSecond);
    SaveSchedule(settings, in.TaskType, from, interval, end);
    // Memory follows the file only once the file holds the new schedule.
    schedule = {in.TaskType, from, end, interval};
    return TScheduleApplyResult::Applied;
}

TScheduleNotice ScheduleApplyNotice(TScheduleApplyResult result) {
    using vh::text::Utf8ToGbk;
    switch (result) {
    case TScheduleApplyResult::DatabaseError:
        return {Utf8ToGbk("信息"), Utf8ToGbk("数据库初始化出现错误，请检查相关设定。")};
    case TScheduleApplyResult::Invalid:
        return {Utf8ToGbk("错误"), Utf8ToGbk("时间设定有误，请重新设定")};
    case TScheduleApplyResult::Applied:
        break;
    }
    return {Utf8ToGbk("信息"), Utf8ToGbk("设定成功生效。")};
}

int SamplingIntervalMs(int monitorInterval) {
    return keys::MonitorInterval.IntervalMs(monitorInterval);
}

TSamplingAction DecideSampling(bool inPeriod, bool samplingEnabled, int samplingIntervalMs, int wantedIntervalMs) {
    if (!inPeriod)
        return TSamplingAction::Stop;
    if (samplingEnabled && samplingIntervalMs == wantedIntervalMs)
        return TSamplingAction::Keep;
    return TSamplingAction::Restart;
}

TStartupTask DecideStartupTask(const TSettingsAccessor& settings, const TMonitorSchedule& schedule) {
    const bool inside = IsInPeriod(settings, schedule);
    const bool autoTask = settings.ReadFlag(keys::AutoTask);
    if (!inside)
        return TStartupTask::Nothing;
    return autoTask ? TStartupTask::StartTimer : TStartupTask::Ask;
}

void DeclineStartupTask(const TSettingsAccessor& settings, TMonitorSchedule& schedule) {
    settings.WriteNumber(keys::TaskExecutype, 2);
    schedule.TaskType = 2;
}
