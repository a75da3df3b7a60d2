#include "platform/Clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace vh {

namespace {
std::function<DateTime()>& TestClock() {
    static std::function<DateTime()> clock;
    return clock;
}

DateTime SystemNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    DateTime d;
    d.year = tm.tm_year + 1900;
    d.month = tm.tm_mon + 1;
    d.day = tm.tm_mday;
    d.hour = tm.tm_hour;
    d.minute = tm.tm_min;
    d.second = tm.tm_sec;
    d.msec = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return d;
}
} // namespace

DateTime Now() {
    auto& clock = TestClock();
    return clock ? clock() : SystemNow();
}

void SetClock(std::function<DateTime()> clock) {
    TestClock() = std::move(clock);
}

std::chrono::system_clock::time_point ToSystemTime(const DateTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    const std::time_t secs = std::mktime(&tm);
    return std::chrono::system_clock::from_time_t(secs) + std::chrono::milliseconds(t.msec);
}

std::string FormatSampleTime(const DateTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return buf;
}

std::string FormatLongTime(const DateTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

std::string FormatShortDate(const DateTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    return buf;
}

bool ParseTimeOfDay(const std::string& text, int& hour, int& minute, int& second) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == ' ' || text[i] == '\t'))
            ++i;
    };
    auto number = [&](int& out) {
        std::size_t start = i;
        int v = 0;
        while (i < n && i - start < 2 && text[i] >= '0' && text[i] <= '9')
            v = v * 10 + (text[i++] - '0');
        out = v;
        return i > start;
    };
    skipBlanks();
    int h = 0, m = 0, s = 0;
    if (!number(h) || i >= n || text[i++] != ':' || !number(m))
        return false;
    if (i < n && text[i] == ':') {
        ++i;
        if (!number(s))
            return false;
    }
    skipBlanks();
    if (i != n || h > 23 || m > 59 || s > 59)
        return false;
    hour = h;
    minute = m;
    second = s;
    return true;
}

} // namespace vh
