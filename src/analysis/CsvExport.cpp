#include "analysis/CsvExport.h"

#include "platform/Text.h"

namespace vh::analysis {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::string GbkField(const std::string& gbk) {
    return CsvField(vh::text::GbkToUtf8(gbk));
}

std::string Number(double percent) {
    // FormatShare gives "12.5 %": the number alone reads as a number in a spreadsheet.
    std::string text = FormatShare(percent, '.');
    const std::size_t blank = text.find(' ');
    return blank == std::string::npos ? text : text.substr(0, blank);
}

} // namespace

std::string CsvField(std::string_view utf8, bool defuseFormula) {
    std::string text;
    const bool formula = defuseFormula && !utf8.empty() &&
                         (utf8.front() == '=' || utf8.front() == '+' || utf8.front() == '-' || utf8.front() == '@' ||
                          utf8.front() == '\t' || utf8.front() == '\r');
    if (formula)
        text += '\'';
    text += utf8;
    const bool quote = formula || text.find_first_of(",\"\r\n") != std::string::npos;
    if (!quote)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string SharesCsv(const std::vector<TimeShare>& shares) {
    std::string out(kUtf8Bom);
    out += "名称,次数,比例(%)";
    out += kLineEnd;
    for (const TimeShare& s : shares) {
        out += GbkField(s.name);
        out += ',';
        out += std::to_string(s.count);
        out += ',';
        out += Number(s.share);
        out += kLineEnd;
    }
    return out;
}

std::string SamplesCsv(const std::vector<ExportSample>& samples) {
    std::string out(kUtf8Bom);
    out += "时间,进程名,窗口标题";
    out += kLineEnd;
    for (const ExportSample& s : samples) {
        out += CsvField(vh::text::GbkToUtf8(s.time), false);
        out += ',';
        out += GbkField(s.processName);
        out += ',';
        out += GbkField(s.caption);
        out += kLineEnd;
    }
    return out;
}

} // namespace vh::analysis
