#pragma once
// The analysis as CSV for spreadsheet programs: UTF-8 with a byte-order mark (so that they read Chinese
// correctly), CRLF line ends, fields quoted as RFC 4180 says. Input texts are GBK.
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Shares.h"

namespace vh::analysis {

// The three bytes every file starts with.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// One field (UTF-8): quoted when it holds a comma, a quote, CR or LF, quotes doubled. A text that a
// spreadsheet would take as a formula (first character = + - @, tab or CR) is kept as text: it gets a
// leading apostrophe, which spreadsheets hide, and is quoted. Nothing else of the text changes.
std::string CsvField(std::string_view utf8, bool defuseFormula = true);

// "名称,次数,比例(%)" and one row per share: name, count, share with at most two decimals and "." as
// the decimal separator.
std::string SharesCsv(const std::vector<TimeShare>& shares);

struct ExportSample {
    std::string time; // "yyyy-mm-dd hh:nn:ss"
    std::string processName;
    std::string caption;
};

// "时间,进程名,窗口标题" and one row per sample, in the given order.
std::string SamplesCsv(const std::vector<ExportSample>& samples);

} // namespace vh::analysis
