#include "storage/uDBFunc.h"

#include <charconv>
#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "platform/Text.h"
#include "storage/uDBMoudle.h"

std::unique_ptr<TDBFunc> DBFunc;

namespace {

using vh::fb::Statement;
using vh::fb::Transaction;

// Without the module there is no transaction to roll back either, so the operations fail as they do with
// the connection closed.
TDMMain& Module() {
    TDMMain* m = TDMMain::Instance();
    if (!m)
        throw vh::fb::Error("database module not created");
    return *m;
}

using vh::text::TrimView;

TWriteResult ResultOf(const vh::fb::Error& e) {
    switch (e.GetCause()) {
    case vh::fb::Error::Cause::Duplicate:
        return TWriteResult::ProgramNameExists; // refined by the caller where the process name can collide
    case vh::fb::Error::Cause::TooLong:
        return TWriteResult::TooLong;
    case vh::fb::Error::Cause::Constraint:
        return TWriteResult::BlankName;
    default:
        return TWriteResult::Failed;
    }
}

// Start, bind, execute, commit; any failure rolls back and is reported by the result. Only a failing
// roll-back (the transaction never started, e.g. with the connection closed) reaches the caller.
template <class Bind> TWriteResult RunWrite(Transaction& tr, Statement& st, Bind&& bind) {
    TWriteResult result = TWriteResult::Done;
    try {
        tr.Start();
        bind(st);
        st.Execute();
        tr.Commit();
        return TWriteResult::Done;
    } catch (const vh::fb::Error& e) {
        result = ResultOf(e);
    } catch (...) {
        result = TWriteResult::Failed;
    }
    tr.Rollback();
    return result;
}

// "-12", " 1 ": an optional sign and decimal digits, blanks around allowed.
bool ParseState(std::string_view text, std::int64_t& value) {
    text = TrimView(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::int64_t ParseCount(const std::string& text) {
    std::int64_t value = 0;
    std::string_view t = TrimView(text);
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size())
        throw std::invalid_argument("'" + text + "' is not an integer");
    return value;
}

// Tallies the rows of fibDS1 by one field. Matching is on the trimmed text, byte for byte, through a hash
// index that holds the first position of every trimmed name (the names the caller brought included), so
// the result is what a linear FindInList per row gives, without its quadratic cost.
void Tally(TStringList& counts, TStringList& names, std::string_view field, bool appendTrimmed) {
    const vh::fb::ResultSet& rs = Module().fibDS1.Result();
    const std::size_t column = rs.FieldIndex(field);

    std::deque<std::string> ownKeys;
    std::unordered_map<std::string_view, std::size_t> index;
    index.reserve(names.size() + 64);
    for (std::size_t i = 0; i < names.size(); ++i) {
        ownKeys.emplace_back(TrimView(names[i]));
        index.emplace(ownKeys.back(), i);
    }
    const std::size_t firstNew = names.size();
    // Counts are kept as numbers while walking and written back once; a caller's count is read when its
    // name first recurs.
    std::vector<std::int64_t> tally;
    std::vector<bool> touched;
    auto grow = [&](std::size_t i) {
        if (i >= tally.size()) {
            tally.resize(i + 1, 0);
            touched.resize(i + 1, false);
        }
    };

    for (std::size_t row = 0; row < rs.RowCount(); ++row) {
        std::string_view raw = rs.Text(row, column);
        std::string_view key = TrimView(raw);
        auto [it, inserted] = index.try_emplace(key, names.size());
        std::size_t i = it->second;
        grow(i);
        if (inserted) {
            names.emplace_back(appendTrimmed ? key : raw);
            counts.emplace_back("1");
            tally[i] = 1;
            touched[i] = true;
            continue;
        }
        if (!touched[i]) {
            if (i >= counts.size())
                throw std::out_of_range("counts list shorter than names list");
            tally[i] = ParseCount(counts[i]);
            touched[i] = true;
        }
        ++tally[i];
    }
    for (std::size_t i = 0; i < tally.size(); ++i)
        if (touched[i] && (i < firstNew || tally[i] != 1))
            counts.at(i) = std::to_string(tally[i]);
}

} // namespace

TDBFunc::TDBFunc() {
    TDMMain* m = TDMMain::Instance();
    if (!m)
        throw std::runtime_error("database module not created");
    m->OpenFallback();
}

TWriteResult TDBFunc::InsertSample(const std::string& timeText, const std::string& caption,
                                   const std::string& processName, const std::string& description) {
    TDMMain& m = Module();
    return RunWrite(m.fibtrans2, m.firbSPInsert, [&](Statement& st) {
        st.SetParam("ATIMEDETAIL", vh::text::Trim(timeText));
        st.SetParam("ACAPTION", caption);
        st.SetParam("APROCESSNAME", processName);
        st.SetParam("ADescription", description);
    });
}

TWriteResult TDBFunc::DeleteAllSamples() {
    TDMMain& m = Module();
    return RunWrite(m.fibtrans1, m.firbSPDeleteAll, [](Statement&) {});
}

void TDBFunc::QuerySamples(std::string& from, const std::string& to) {
    try {
        Statement& ds = Module().fibDS1;
        ds.Close();
        // Cast so that a bound compares as a literal of any length would, not as a 19-byte column value.
        ds.SetSQL("select * from timeinfo where timedetail>=cast(:AFROM as varchar(255)) and "
                  "timedetail<=cast(:ATO as varchar(255))");
        ds.SetParam("AFROM", from);
        ds.SetParam("ATO", to);
        ds.Open();
        if (ds.Result().Empty())
            from = "-1";
    } catch (...) {
        from = "-2";
    }
}

bool TDBFunc::ReadQueriedSamples(std::vector<TSampleRow>& rows) {
    rows.clear();
    try {
        const vh::fb::ResultSet& rs = Module().fibDS1.Result();
        const std::size_t time = rs.FieldIndex("TIMEDETAIL");
        const std::size_t process = rs.FieldIndex("PROCESS_NAME");
        const std::size_t title = rs.FieldIndex("TITLE");
        rows.reserve(rs.RowCount());
        for (std::size_t row = 0; row < rs.RowCount(); ++row)
            rows.push_back({std::string(rs.Text(row, time)), std::string(rs.Text(row, process)),
                            std::string(rs.Text(row, title))});
        return true;
    } catch (...) {
        rows.clear();
        return false;
    }
}

bool TDBFunc::ListRecentProcesses(const std::string& since, int limit, std::vector<TProcessUse>& out) {
    out.clear();
    if (limit <= 0)
        return true;
    TDMMain& m = Module();
    try {
        Statement& ds = m.fibDSPublic;
        ds.Close();
        // The range condition on TIMEDETAIL alone lets the engine walk its index over the recent samples only.
        ds.SetSQL("select first (cast(:ALIMIT as integer)) PROCESS_NAME, count(*) as N, max(TIMEDETAIL) as LAST "
                  "from TIMEINFO where TIMEDETAIL >= cast(:ASINCE as varchar(255)) and PROCESS_NAME is not null "
                  "group by PROCESS_NAME order by 2 desc, 1");
        ds.SetParam("ALIMIT", static_cast<std::int64_t>(limit));
        ds.SetParam("ASINCE", since);
        ds.Open();
        {
            const vh::fb::ResultSet& rs = ds.Result();
            for (std::size_t row = 0; row < rs.RowCount(); ++row) {
                TProcessUse use;
                use.processName = std::string(rs.Text(row, 0));
                std::int64_t n = 0;
                const std::string_view count = TrimView(rs.Text(row, 1));
                std::from_chars(count.data(), count.data() + count.size(), n);
                use.count = n;
                use.lastSeen = std::string(rs.Text(row, 2));
                out.push_back(std::move(use));
            }
        }
        // One indexed look-up per name for the caption of its latest sample.
        ds.Close();
        ds.SetSQL("select first 1 TITLE from TIMEINFO where TIMEDETAIL = :ATIME and PROCESS_NAME = :APROCESS");
        for (TProcessUse& use : out) {
            ds.Close();
            ds.SetParam("ATIME", use.lastSeen);
            ds.SetParam("APROCESS", use.processName);
            ds.Open();
            if (!ds.Result().Empty())
                use.lastCaption = std::string(ds.Result().Text(0, 0));
        }
        ds.Close();
        return true;
    } catch (...) {
        out.clear();
        try {
            m.fibtrans1.Rollback();
        } catch (...) {
        }
        return false;
    }
}

void TDBFunc::CountByProcess(TStringList& counts, TStringList& names) {
    Tally(counts, names, "PROCESS_NAME", false);
}

void TDBFunc::CountByTitle(TStringList& counts, TStringList& names) {
    Tally(counts, names, "TITLE", true);
}

void TDBFunc::ListWorkProcesses(std::optional<TStringList>& list) {
    TDMMain& m = Module();
    try {
        Statement& ds = m.fibDSPublic;
        ds.Close();
        ds.SetSQL("select PROCESSNAME from tprogram where bnormal=1");
        ds.Open();
        if (!list)
            list.emplace();
        list->clear();
        const vh::fb::ResultSet& rs = ds.Result();
        for (std::size_t row = 0; row < rs.RowCount(); ++row)
            list->emplace_back(rs.Text(row, 0));
    } catch (...) {
        m.fibtrans1.Rollback();
    }
}

bool TDBFunc::ListPrograms(TStringList& list, const std::string& lowestState) {
    list.clear();
    try {
        Statement& ds = Module().fibDS1;
        ds.Close();
        ds.SetSQL("select * from TPROGRAM where bnormal>=:ALOWESTSTATE");
        std::int64_t state = 0;
        if (!ParseState(lowestState, state))
            return false;
        ds.SetParam("ALOWESTSTATE", state);
        ds.Open();
        const vh::fb::ResultSet& rs = ds.Result();
        if (rs.Empty())
            return false;
        const std::size_t column = rs.FieldIndex("PROGRAMNAME");
        for (std::size_t row = 0; row < rs.RowCount(); ++row)
            list.emplace_back(rs.Text(row, column));
        return true;
    } catch (...) {
        return false;
    }
}

bool TDBFunc::GetProgramInfo(const std::string& programName, std::string& processName, std::string& description) {
    if (TrimView(programName).empty())
        return false;
    try {
        Statement& q = Module().fibQryPublic;
        q.Close();
        q.SetParam("APROGRAMNAME", programName);
        // Opening starts fibtrans1 when it is idle (after any catalogue write), as the lists do; a look-up
        // that failed there would show an existing entry as blank.
        q.Open();
        const vh::fb::ResultSet& rs = q.Result();
        if (!rs.Empty()) {
            processName = std::string(rs.Text(0, 0));
            description = std::string(rs.Text(0, 2));
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool TDBFunc::GetProgramByProcess(const std::string& processName, std::string& programName) {
    try {
        Statement& ds = Module().fibDSPublic;
        ds.Close();
        ds.SetSQL("select PROGRAMNAME from TPROGRAM where PROCESSNAME=:APROCESSNAME");
        ds.SetParam("APROCESSNAME", processName);
        ds.Open();
        const vh::fb::ResultSet& rs = ds.Result();
        if (rs.Empty())
            return false;
        programName = std::string(rs.Text(0, 0));
        return true;
    } catch (...) {
        return false;
    }
}

TWriteResult TDBFunc::InsertProgram(const std::string& processName, const std::string& programName,
                                    const std::string& description) {
    TDMMain& m = Module();
    const TWriteResult r = RunWrite(m.fibtrans1, m.firbSPInsertWork, [&](Statement& st) {
        st.SetParam("APROCESSNAME", processName);
        st.SetParam("APROGRAMNAME", programName);
        st.SetParam("APROGRAMDES", description);
    });
    if (r != TWriteResult::ProgramNameExists)
        return r;
    // Either unique name may be the one refused; an entry under this process name is the one to act on.
    std::string existing;
    return GetProgramByProcess(processName, existing) ? TWriteResult::ProcessNameExists : r;
}

TWriteResult TDBFunc::UpdateProgram(const std::string& processName, const std::string& programName,
                                    const std::string& description) {
    TDMMain& m = Module();
    return RunWrite(m.fibtrans1, m.firbSPUpdateWork, [&](Statement& st) {
        st.SetParam("APROCESSNAME", processName);
        st.SetParam("APROGRAMNAME", programName);
        st.SetParam("APROGRAMDES", description);
    });
}

TWriteResult TDBFunc::DeleteProgram(const std::string& processName) {
    TDMMain& m = Module();
    return RunWrite(m.fibtrans1, m.firbSPDelWork, [&](Statement& st) { st.SetParam("APROCESSNAME", processName); });
}

TWriteResult TDBFunc::SetProgramState(std::int16_t state, const std::string& programName) {
    TDMMain& m = Module();
    return RunWrite(m.fibtrans1, m.firbSPSetState, [&](Statement& st) {
        st.SetParam("ASTATE", static_cast<std::int64_t>(state));
        st.SetParam("APROGRAMNAME", programName);
    });
}

TWriteResult TDBFunc::SetProgramStateByProcess(std::int16_t state, const std::string& processName) {
    // The state is set by program name, which the catalogue keeps unique, so the name read for this
    // process names no other entry.
    std::string programName;
    if (!GetProgramByProcess(processName, programName))
        return TWriteResult::Failed;
    return SetProgramState(state, programName);
}

int TDBFunc::FindInList(const TStringList& list, const std::string& text) {
    const std::string_view wanted = TrimView(text);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (TrimView(list[i]) == wanted)
            return static_cast<int>(i);
    return -1;
}
