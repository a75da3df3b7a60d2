#include "analysis/Shares.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <tuple>
#include <utility>

#include "platform/Text.h"

namespace vh::analysis {

DateTime CombineDateTime(const DateTime& date, const DateTime& time) {
    DateTime t = date;
    t.hour = time.hour;
    t.minute = time.minute;
    t.second = time.second;
    t.msec = 0;
    return t;
}

RangeBounds FormatRangeBounds(const DateTime& start, const DateTime& end) {
    return {FormatSampleTime(start), FormatSampleTime(end)};
}

bool ParseCount(const std::string& text, long long& out) {
    const std::string t = text::Trim(text);
    if (t.empty())
        return false;
    const char* first = t.data();
    const char* last = t.data() + t.size();
    if (*first == '+')
        ++first;
    long long v = 0;
    const auto r = std::from_chars(first, last, v);
    if (r.ec != std::errc() || r.ptr != last)
        return false;
    out = v;
    return true;
}

double SharePercent(double part, double whole) {
    return whole == 0 ? 0.0 : part * 100.0 / whole;
}

std::vector<TimeShare> BuildTimeShares(const std::vector<std::string>& counts, const std::vector<std::string>& names,
                                       char decimalSeparator) {
    const std::size_t n = std::min(counts.size(), names.size());
    std::vector<TimeShare> shares(n);
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        long long c = 0;
        if (!ParseCount(counts[i], c))
            c = 0;
        shares[i].name = names[i];
        shares[i].count = c;
        sum += std::fabs(static_cast<double>(c));
    }
    for (auto& s : shares) {
        s.share = SharePercent(std::fabs(static_cast<double>(s.count)), sum);
        s.text = FormatShare(s.share, decimalSeparator);
    }
    return shares;
}

namespace {
// Adds one to a string of decimal digits.
void Increment(std::string& digits) {
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
}
} // namespace

std::string FormatShare(double percent, char decimalSeparator) {
    if (!std::isfinite(percent))
        percent = 0;
    // Round on the value's 15 significant decimal digits, not on its binary form, so 1.005 gives 1.01.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(percent));
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;

    // Hundredths as an integer: the digit at digits[0] stands for 10^(exponent + 2) of them.
    const int intCount = exponent + 3;
    std::string hundredths;
    if (intCount >= 0) {
        const int n = static_cast<int>(digits.size());
        hundredths = digits.substr(0, std::min(intCount, n));
        if (intCount > n)
            hundredths.append(intCount - n, '0');
        const char next = intCount < n ? digits[intCount] : '0';
        if (next >= '5')
            Increment(hundredths);
    }
    hundredths.erase(0, std::min(hundredths.find_first_not_of('0'), hundredths.size()));
    const bool zero = hundredths.empty();
    if (hundredths.size() < 3)
        hundredths.insert(0, 3 - hundredths.size(), '0');

    std::string whole = hundredths.substr(0, hundredths.size() - 2);
    std::string decimals = hundredths.substr(hundredths.size() - 2);
    while (!decimals.empty() && decimals.back() == '0')
        decimals.pop_back();

    std::string out;
    if (percent < 0 && !zero)
        out += '-';
    out += whole;
    if (!decimals.empty()) {
        out += decimalSeparator;
        out += decimals;
    }
    out += " %";
    return out;
}

int CompareTextIgnoreAsciiCase(const std::string& a, const std::string& b) {
    const std::string la = text::AsciiLower(a);
    const std::string lb = text::AsciiLower(b);
    const std::size_t n = std::min(la.size(), lb.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(la[i]);
        const auto cb = static_cast<unsigned char>(lb[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return la.size() == lb.size() ? 0 : (la.size() < lb.size() ? -1 : 1);
}

std::string NumericPrefix(const std::string& text, char decimalSeparator) {
    std::size_t n = 0;
    while (n < text.size() && ((text[n] >= '0' && text[n] <= '9') || text[n] == '.' || text[n] == decimalSeparator))
        ++n;
    return n == 0 ? std::string("0") : text.substr(0, n);
}

double NumericValue(const std::string& text, char decimalSeparator) {
    std::string prefix = NumericPrefix(text, decimalSeparator);
    std::replace(prefix.begin(), prefix.end(), decimalSeparator, '.');
    double v = 0;
    // from_chars reads the longest number it can ("1.2.3" as 1.2) and ignores the process locale.
    if (std::from_chars(prefix.data(), prefix.data() + prefix.size(), v, std::chars_format::fixed).ec != std::errc())
        return 0;
    return v;
}

namespace {
using Moment = std::tuple<int, int, int, int, int, int>;

// "yyyy-mm-dd", optionally followed by "hh:nn[:ss]"; a text that is no date-time sorts first.
Moment ReadMoment(const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const std::string t = text::Trim(text);
    const int got = std::sscanf(t.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    if (got < 3)
        return {};
    if (got < 6)
        s = 0;
    if (got < 5)
        h = mi = 0;
    return {y, mo, d, h, mi, s};
}

template <class T> int Sign(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}
} // namespace

int CompareShareRows(const ShareRow& a, const ShareRow& b, int column, CompareKind kind, bool ascending,
                     const TextCompare& textCompare, char decimalSeparator) {
    const auto cell = [column](const ShareRow& r) -> const std::string& {
        static const std::string empty;
        return column >= 0 && static_cast<std::size_t>(column) < r.size() ? r[column] : empty;
    };
    const std::string& ta = cell(a);
    const std::string& tb = cell(b);
    int result = 0;
    switch (kind) {
    case CompareKind::Text: {
        const int c = textCompare ? textCompare(ta, tb) : CompareTextIgnoreAsciiCase(ta, tb);
        result = c < 0 ? -1 : (c > 0 ? 1 : 0);
        break;
    }
    case CompareKind::Numeric:
        result = Sign(NumericValue(ta, decimalSeparator), NumericValue(tb, decimalSeparator));
        break;
    case CompareKind::DateTime:
        result = Sign(ReadMoment(ta), ReadMoment(tb));
        break;
    }
    return ascending ? result : -result;
}

CompareKind ShareColumnKind(int column) {
    return column == 1 ? CompareKind::Numeric : CompareKind::Text;
}

void SortShares(std::vector<TimeShare>& shares, int column, bool ascending, const TextCompare& textCompare,
                char decimalSeparator) {
    std::vector<std::pair<ShareRow, std::size_t>> rows;
    rows.reserve(shares.size());
    for (std::size_t i = 0; i < shares.size(); ++i)
        rows.push_back({ShareRow{std::string(), shares[i].text, shares[i].name}, i});
    const CompareKind kind = ShareColumnKind(column);
    std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
        return CompareShareRows(a.first, b.first, column, kind, ascending, textCompare, decimalSeparator) < 0;
    });
    std::vector<TimeShare> sorted;
    sorted.reserve(shares.size());
    for (const auto& r : rows)
        sorted.push_back(std::move(shares[r.second]));
    shares = std::move(sorted);
}

void ShareList::Show(std::vector<TimeShare> shares) {
    listed_ = shares;
    shown_ = std::move(shares);
}

void ShareList::SortByColumn(int column, const TextCompare& textCompare, char decimalSeparator) {
    sortAscending_ = !sortAscending_;
    SortShares(listed_, column, sortAscending_, textCompare, decimalSeparator);
}

int ShareList::SliceOf(std::size_t row) const {
    if (row >= listed_.size())
        return -1;
    for (std::size_t i = 0; i < shown_.size(); ++i)
        if (shown_[i].name == listed_[row].name)
            return static_cast<int>(i);
    return -1;
}

std::vector<std::uint32_t> SliceColours(std::size_t count) {
    // Twelve calm colours of like weight, ordered so that hue and lightness change from one to the next;
    // labels on them stay readable in dark or white text (see the page).
    static constexpr std::uint32_t palette[] = {
        0x4E79A7, 0xF28E2B, 0x59A14F, 0xE15759, 0x76B7B2, 0xEDC948,
        0xB07AA1, 0xFF9DA7, 0x9C755F, 0x8CD17D, 0xBAB0AC, 0xD37295,
    };
    constexpr std::size_t n = sizeof palette / sizeof palette[0];
    std::vector<std::uint32_t> colours(count);
    for (std::size_t i = 0; i < count; ++i)
        colours[i] = palette[i % n];
    // The last slice touches the first: when the cycle brings the first colour round again, step past it.
    if (count > 2 && colours[count - 1] == colours[0])
        colours[count - 1] = palette[1];
    return colours;
}

} // namespace vh::analysis
