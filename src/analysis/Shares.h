#pragma once
// The analysis arithmetic: range bounds, shares of the tallies, share texts, row comparison for the share
// list, and the slice colours. Texts are GBK bytes.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Clock.h"

namespace vh::analysis {

struct RangeBounds {
    std::string from;
    std::string to;
};

// A bound is the date of one picker plus the time of day of the other.
DateTime CombineDateTime(const DateTime& date, const DateTime& time);
// Both bounds as "yyyy-mm-dd hh:nn:ss".
RangeBounds FormatRangeBounds(const DateTime& start, const DateTime& end);

struct TimeShare {
    std::string name;
    long long count = 0;
    double share = 0; // percent of all counts
    std::string text; // the share as FormatShare writes it
};

// Reads a decimal count as the tallies write it; false for anything else (blanks around are allowed).
bool ParseCount(const std::string& text, long long& out);
// One share per entry of the parallel lists, in their order. A count that is not a decimal number counts
// as 0; entries beyond the shorter list are ignored.
std::vector<TimeShare> BuildTimeShares(const std::vector<std::string>& counts, const std::vector<std::string>& names,
                                       char decimalSeparator = '.');
// part * 100 / whole, 0 when whole is 0.
double SharePercent(double part, double whole);

// The share as the pattern "##0.## %" writes it: at most two decimals, no trailing zeros, a blank before
// the percent sign, rounding half away from zero on the decimal digits.
std::string FormatShare(double percent, char decimalSeparator = '.');

enum class CompareKind { Text, Numeric, DateTime };

// A list row by columns: [0] is the caption, then the sub-item texts.
using ShareRow = std::vector<std::string>;
// Case-insensitive comparison of two texts: negative, zero or positive.
using TextCompare = std::function<int(const std::string&, const std::string&)>;

// ASCII letters folded, then bytes; the fallback when no locale comparison is given.
int CompareTextIgnoreAsciiCase(const std::string& a, const std::string& b);

// The leading run of digits, "." and the decimal separator; "0" when the text starts otherwise.
std::string NumericPrefix(const std::string& text, char decimalSeparator = '.');
// The numeric prefix as a number (the longest part of it that reads as one); 0 when none.
double NumericValue(const std::string& text, char decimalSeparator = '.');

int CompareShareRows(const ShareRow& a, const ShareRow& b, int column, CompareKind kind, bool ascending,
                     const TextCompare& textCompare = CompareTextIgnoreAsciiCase, char decimalSeparator = '.');

// Sorts shares as the share list's header click on column sorts its rows: the colour column's caption is
// empty, then the share text and the name. Stable, so ties keep their order.
void SortShares(std::vector<TimeShare>& shares, int column, bool ascending,
                const TextCompare& textCompare = CompareTextIgnoreAsciiCase, char decimalSeparator = '.');
// The comparison kind of a share list column: numeric for the share, text for the others.
CompareKind ShareColumnKind(int column);

// The share list's rows: the shares in slice order (as the analysis gave them) and in the order the header
// clicks make, and the sorting direction, which every header click flips, whatever the column, for as long
// as the list lives: it starts ascending, so the first click sorts descending.
class ShareList {
public:
    // A new analysis: both orders are the slices' order; the direction is kept.
    void Show(std::vector<TimeShare> shares);
    void SortByColumn(int column, const TextCompare& textCompare = CompareTextIgnoreAsciiCase,
                      char decimalSeparator = '.');
    bool SortAscending() const { return sortAscending_; }
    const std::vector<TimeShare>& Shown() const { return shown_; }
    const std::vector<TimeShare>& Listed() const { return listed_; }
    // The slice a listed row is painted with: the first shown share of the row's name; -1 for none.
    int SliceOf(std::size_t row) const;

private:
    std::vector<TimeShare> shown_;
    std::vector<TimeShare> listed_;
    bool sortAscending_ = true;
};

// Slice colours as 0xRRGGBB: each differs from its neighbours, the last also from the first (a pie is a
// ring). None is white, so a colour cell never looks blank against the white list.
std::vector<std::uint32_t> SliceColours(std::size_t count);

} // namespace vh::analysis
