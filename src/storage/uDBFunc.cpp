#include "storage/uDBFunc.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "platform/Text.h"
#include "storage/TallyPlan.h"
#include "storage/uDBMoudle.h"

namespace {

using vh::fb::Statement;
using vh::fb::Transaction;
using vh::text::TrimView;

// Without the module there is no transaction to roll back either, so the operations fail as they do with
// the connection closed.
TDMMain& Module() {
    TDMMain* m = TDMMain::Instance();
    if (!m)
        throw vh::fb::Error("database module not created");
    return *m;
}

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

// Start, run, commit; any failure rolls back and is reported by the result. Only a failing roll-back (the
// transaction never started, e.g. with the connection closed) reaches the caller.
template <class Run> TWriteResult RunWrite(Transaction& tr, Run&& run) {
    TWriteResult result = TWriteResult::Done;
    try {
        tr.Start();
        run();
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

std::int64_t Number(std::string_view text) {
    text = TrimView(text);
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        throw vh::fb::Error("not a number: " + std::string(text));
    return value;
}

// Runs a select on one of the module's statements and turns its rows into values; a failure of the read
// is the outcome Failed, with the statement left without rows.
template <class Row, class Bind, class Read>
TRead<Row> Select(Statement& ds, const std::string& sql, Bind&& bind, Read&& read) {
    try {
        ds.SetSQL(sql);
        bind(ds);
        ds.Open();
        std::vector<Row> rows;
        const vh::fb::ResultSet& rs = ds.Result();
        rows.reserve(rs.RowCount());
        for (std::size_t row = 0; row < rs.RowCount(); ++row)
            rows.push_back(read(rs, row));
        ds.Close();
        return TRead<Row>::Of(std::move(rows));
    } catch (...) {
        ds.Close();
        return {};
    }
}

// A range bound compares as a literal of any length would, not as a value of the 19-byte column.
constexpr std::string_view kBound = "cast(:%s as varchar(255))";

std::string Bound(const char* name) {
    std::string s(kBound);
    s.replace(s.find("%s"), 2, name);
    return s;
}

// Parameters of a piece of a plan that reads nothing.
const char* const kNoPeriodFrom = "1";
const char* const kNoPeriodTo = "0";

void BindRun(Statement& ds, const char* firstName, const char* lastName, const vh::storage::PeriodRun& run) {
    ds.SetParam(firstName, run.Empty() ? kNoPeriodFrom : run.first);
    ds.SetParam(lastName, run.Empty() ? kNoPeriodTo : run.last);
}

void BindRaw(Statement& ds, const char* fromName, const char* toName, const vh::storage::TallyPlan& plan,
             std::size_t i) {
    const bool used = i < plan.raw.size();
    ds.SetParam(fromName, used ? plan.raw[i].from : std::string(kNoPeriodFrom));
    ds.SetParam(toName, used ? plan.raw[i].to : std::string(kNoPeriodTo));
}

std::string RawPiece(const std::string& columns, const char* from, const char* to) {
    return "select " + columns + " from TIMEINFO where TIMEDETAIL >= " + Bound(from) +
           " and TIMEDETAIL <= " + Bound(to);
}

// One grouped query per tally. With the kept counts (db/tallies.sql) it reads whole months and days from
// them and only the ragged ends from the samples; without them, every sample of the range.
TRead<TTallyRow> Tally(const std::string& from, const std::string& to, bool byTitle) {
    if (!TDMMain::Instance())
        return {}; // as with the connection closed
    TDMMain& m = *TDMMain::Instance();
    const char* column = byTitle ? "TITLE" : "PROCESS_NAME";
    const auto readRow = [](const vh::fb::ResultSet& rs, std::size_t row) {
        return TTallyRow{std::string(rs.Text(row, 0)), Number(rs.Text(row, 1)), std::string(rs.Text(row, 2))};
    };
    TRead<TTallyRow> read;
    if (!m.HasTallies()) {
        read = Select<TTallyRow>(
            m.fibDS1,
            std::string("select ") + column + ", count(*), min(TIMEDETAIL) from TIMEINFO where TIMEDETAIL >= " +
                Bound("AFROM") + " and TIMEDETAIL <= " + Bound("ATO") + " group by 1",
            [&](Statement& ds) {
                ds.SetParam("AFROM", from);
                ds.SetParam("ATO", to);
            },
            readRow);
    } else {
        const vh::storage::TallyPlan plan = vh::storage::PlanTally(from, to, true, !byTitle);
        const std::string counted = "select NAME, N, FIRSTAT from TIMETALLY where KIND = ";
        const std::string raw = std::string(column) + ", 1, TIMEDETAIL";
        const std::string sql = "select NAME, cast(sum(N) as integer), min(FIRSTAT) from (" + counted +
                                (byTitle ? "1" : "0") + " and PERIOD >= :AM1 and PERIOD <= :AM2 union all " + counted +
                                "2 and PERIOD >= :AD1 and PERIOD <= :AD2 union all " + counted +
                                "2 and PERIOD >= :AD3 and PERIOD <= :AD4 union all " + RawPiece(raw, "AR1", "AR2") +
                                " union all " + RawPiece(raw, "AR3", "AR4") + ") T (NAME, N, FIRSTAT) group by NAME";
        read = Select<TTallyRow>(
            m.fibDS1, sql,
            [&](Statement& ds) {
                BindRun(ds, "AM1", "AM2", plan.months);
                BindRun(ds, "AD1", "AD2", plan.headDays);
                BindRun(ds, "AD3", "AD4", plan.tailDays);
                BindRaw(ds, "AR1", "AR2", plan, 0);
                BindRaw(ds, "AR3", "AR4", plan, 1);
            },
            readRow);
    }
    if (read.outcome == TReadOutcome::Rows)
        read.rows = vh::storage::MergeTallyRows(std::move(read.rows), byTitle);
    return read;
}

} // namespace

namespace vh::storage {

std::vector<TTallyRow> MergeTallyRows(std::vector<TTallyRow> grouped, bool trimNames) {
    // The earliest group of a name goes first, so that it names the merged group.
    std::stable_sort(grouped.begin(), grouped.end(), [](const TTallyRow& a, const TTallyRow& b) {
        return a.firstAt != b.firstAt ? a.firstAt < b.firstAt : a.name < b.name;
    });
    std::vector<TTallyRow> merged;
    std::unordered_map<std::string, std::size_t> index;
    for (TTallyRow& row : grouped) {
        std::string key(TrimView(row.name));
        auto [it, inserted] = index.try_emplace(key, merged.size());
        if (!inserted) {
            merged[it->second].count += row.count;
            continue;
        }
        if (trimNames)
            row.name = std::move(key);
        merged.push_back(std::move(row));
    }
    return merged;
}

} // namespace vh::storage

TDBFunc::TDBFunc() {
    TDMMain* m = TDMMain::Instance();
    if (!m)
        throw std::runtime_error("database module not created");
    m->OpenFallback();
}

std::string TDBFunc::DatabaseFile() {
    TDMMain* m = TDMMain::Instance();
    return m && m->Connected() ? m->firbdbTime.DatabaseName() : std::string();
}

TWriteResult TDBFunc::InsertSample(const std::string& timeText, const std::string& caption,
                                   const std::string& processName, const std::string& description) {
    TDMMain& m = Module();
    Statement& st = m.firbSPInsert;
    return RunWrite(m.fibtrans2, [&] {
        st.SetParam("ATIMEDETAIL", vh::text::Trim(timeText));
        st.SetParam("ACAPTION", caption);
        st.SetParam("APROCESSNAME", processName);
        st.SetParam("ADescription", description);
        st.Execute();
    });
}

TWriteResult TDBFunc::DeleteAllSamples() {
    TDMMain& m = Module();
    return RunWrite(m.fibtrans1, [&] {
        if (m.HasTallies()) {
            // The counts go in one statement; the per-sample trigger then leaves them alone.
            Statement& ds = m.fibDSPublic;
            ds.SetSQL("select rdb$set_context('USER_TRANSACTION', 'VH_CLEARING', '1') from rdb$database");
            ds.Open();
            ds.Close();
            ds.SetSQL("delete from TIMETALLY");
            ds.Execute();
        }
        m.firbSPDeleteAll.Execute();
    });
}

TRead<TSampleRow> TDBFunc::QuerySamples(const std::string& from, const std::string& to) {
    if (!TDMMain::Instance())
        return {};
    return Select<TSampleRow>(
        TDMMain::Instance()->fibDS1,
        "select TIMEDETAIL, PROCESS_NAME, TITLE from timeinfo where timedetail>=" + Bound("AFROM") +
            " and timedetail<=" + Bound("ATO") + " order by TIMEDETAIL",
        [&](Statement& ds) {
            ds.SetParam("AFROM", from);
            ds.SetParam("ATO", to);
        },
        [](const vh::fb::ResultSet& rs, std::size_t row) {
            return TSampleRow{std::string(rs.Text(row, 0)), std::string(rs.Text(row, 1)), std::string(rs.Text(row, 2))};
        });
}

TRead<TTallyRow> TDBFunc::CountByProcess(const std::string& from, const std::string& to) {
    return Tally(from, to, false);
}

TRead<TTallyRow> TDBFunc::CountByTitle(const std::string& from, const std::string& to) {
    return Tally(from, to, true);
}

TRead<TDayCount> TDBFunc::CountByDay(const std::string& from, const std::string& to) {
    if (!TDMMain::Instance())
        return {};
    TDMMain& m = *TDMMain::Instance();
    const auto readRow = [](const vh::fb::ResultSet& rs, std::size_t row) {
        return TDayCount{std::string(rs.Text(row, 0)), std::string(rs.Text(row, 1)), Number(rs.Text(row, 2))};
    };
    const std::string rawColumns = "substring(TIMEDETAIL from 1 for 10), PROCESS_NAME, 1";
    const auto grouped = [](const std::string& samples) {
        return "select D, P, count(*) from (" + samples + ") T (D, P, N) group by 1, 2";
    };
    TRead<TDayCount> read;
    if (!m.HasTallies()) {
        read = Select<TDayCount>(
            m.fibDS1, grouped(RawPiece(rawColumns, "AFROM", "ATO")),
            [&](Statement& ds) {
                ds.SetParam("AFROM", from);
                ds.SetParam("ATO", to);
            },
            readRow);
    } else {
        // The kept counts hold one row per day and name already; only the ragged ends are grouped.
        const vh::storage::TallyPlan plan = vh::storage::PlanTally(from, to, false, true);
        read = Select<TDayCount>(
            m.fibDS1,
            "select PERIOD, NAME, N from TIMETALLY where KIND = 2 and PERIOD >= :AD1 and PERIOD <= :AD2 union all " +
                grouped(RawPiece(rawColumns, "AR1", "AR2") + " union all " + RawPiece(rawColumns, "AR3", "AR4")),
            [&](Statement& ds) {
                BindRun(ds, "AD1", "AD2", plan.headDays);
                BindRaw(ds, "AR1", "AR2", plan, 0);
                BindRaw(ds, "AR3", "AR4", plan, 1);
            },
            readRow);
    }
    std::stable_sort(read.rows.begin(), read.rows.end(),
                     [](const TDayCount& a, const TDayCount& b) { return a.day < b.day; });
    return read;
}

TRead<TProcessUse> TDBFunc::ListRecentProcesses(const std::string& since, int limit) {
    if (limit <= 0)
        return TRead<TProcessUse>::Of({});
    if (!TDMMain::Instance())
        return {};
    TDMMain& m = *TDMMain::Instance();
    Statement& ds = m.fibDSPublic;
    // The range condition on TIMEDETAIL alone lets the engine walk its index over the recent samples only.
    TRead<TProcessUse> read = Select<TProcessUse>(
        ds,
        "select first (cast(:ALIMIT as integer)) PROCESS_NAME, count(*) as N, max(TIMEDETAIL) as LAST "
        "from TIMEINFO where TIMEDETAIL >= " +
            Bound("ASINCE") + " and PROCESS_NAME is not null group by PROCESS_NAME order by 2 desc, 1",
        [&](Statement& st) {
            st.SetParam("ALIMIT", static_cast<std::int64_t>(limit));
            st.SetParam("ASINCE", since);
        },
        [](const vh::fb::ResultSet& rs, std::size_t row) {
            return TProcessUse{std::string(rs.Text(row, 0)), Number(rs.Text(row, 1)), std::string(rs.Text(row, 2)), {}};
        });
    // One indexed look-up per name for the caption of its latest sample.
    for (TProcessUse& use : read.rows) {
        const TRead<std::string> caption = Select<std::string>(
            ds, "select first 1 TITLE from TIMEINFO where TIMEDETAIL = :ATIME and PROCESS_NAME = :APROCESS",
            [&](Statement& st) {
                st.SetParam("ATIME", use.lastSeen);
                st.SetParam("APROCESS", use.processName);
            },
            [](const vh::fb::ResultSet& rs, std::size_t row) { return std::string(rs.Text(row, 0)); });
        if (caption.Failed())
            return {};
        if (!caption.rows.empty())
            use.lastCaption = caption.rows.front();
    }
    return read;
}

TRead<std::string> TDBFunc::ListWorkProcesses() {
    TDMMain& m = Module();
    TRead<std::string> read = Select<std::string>(
        m.fibDSPublic, "select PROCESSNAME from tprogram where bnormal=1", [](Statement&) {},
        [](const vh::fb::ResultSet& rs, std::size_t row) { return std::string(rs.Text(row, 0)); });
    if (read.Failed())
        m.fibtrans1.Rollback();
    return read;
}

TRead<std::string> TDBFunc::ListPrograms(std::int16_t lowestState) {
    if (!TDMMain::Instance())
        return {};
    return Select<std::string>(
        TDMMain::Instance()->fibDS1, "select PROGRAMNAME from TPROGRAM where bnormal>=:ALOWESTSTATE",
        [&](Statement& ds) { ds.SetParam("ALOWESTSTATE", static_cast<std::int64_t>(lowestState)); },
        [](const vh::fb::ResultSet& rs, std::size_t row) { return std::string(rs.Text(row, 0)); });
}

TRead<TProgramInfo> TDBFunc::GetProgramInfo(const std::string& programName) {
    if (TrimView(programName).empty() || !TDMMain::Instance())
        return {};
    Statement& q = TDMMain::Instance()->fibQryPublic;
    try {
        q.Close();
        q.SetParam("APROGRAMNAME", programName);
        // Opening starts fibtrans1 when it is idle (after any catalogue write), as the lists do; a look-up
        // that failed there would show an existing entry as blank.
        q.Open();
        std::vector<TProgramInfo> found;
        const vh::fb::ResultSet& rs = q.Result();
        if (!rs.Empty())
            found.push_back({std::string(rs.Text(0, 0)), std::string(rs.Text(0, 2))});
        q.Close();
        return TRead<TProgramInfo>::Of(std::move(found));
    } catch (...) {
        q.Close();
        return {};
    }
}

TRead<std::string> TDBFunc::GetProgramByProcess(const std::string& processName) {
    if (!TDMMain::Instance())
        return {};
    return Select<std::string>(
        TDMMain::Instance()->fibDSPublic, "select PROGRAMNAME from TPROGRAM where PROCESSNAME=:APROCESSNAME",
        [&](Statement& ds) { ds.SetParam("APROCESSNAME", processName); },
        [](const vh::fb::ResultSet& rs, std::size_t row) { return std::string(rs.Text(row, 0)); });
}

TWriteResult TDBFunc::InsertProgram(const std::string& processName, const std::string& programName,
                                    const std::string& description) {
    TDMMain& m = Module();
    Statement& st = m.firbSPInsertWork;
    const TWriteResult r = RunWrite(m.fibtrans1, [&] {
        st.SetParam("APROCESSNAME", processName);
        st.SetParam("APROGRAMNAME", programName);
        st.SetParam("APROGRAMDES", description);
        st.Execute();
    });
    if (r != TWriteResult::ProgramNameExists)
        return r;
    // Either unique name may be the one refused; an entry under this process name is the one to act on.
    return GetProgramByProcess(processName).outcome == TReadOutcome::Rows ? TWriteResult::ProcessNameExists : r;
}

TWriteResult TDBFunc::UpdateProgram(const std::string& processName, const std::string& programName,
                                    const std::string& description) {
    TDMMain& m = Module();
    Statement& st = m.firbSPUpdateWork;
    return RunWrite(m.fibtrans1, [&] {
        st.SetParam("APROCESSNAME", processName);
        st.SetParam("APROGRAMNAME", programName);
        st.SetParam("APROGRAMDES", description);
        st.Execute();
    });
}

TWriteResult TDBFunc::DeleteProgram(const std::string& processName) {
    TDMMain& m = Module();
    Statement& st = m.firbSPDelWork;
    return RunWrite(m.fibtrans1, [&] {
        st.SetParam("APROCESSNAME", processName);
        st.Execute();
    });
}

TWriteResult TDBFunc::SetProgramState(std::int16_t state, const std::string& programName) {
    TDMMain& m = Module();
    Statement& st = m.firbSPSetState;
    return RunWrite(m.fibtrans1, [&] {
        st.SetParam("ASTATE", static_cast<std::int64_t>(state));
        st.SetParam("APROGRAMNAME", programName);
        st.Execute();
    });
}

TWriteResult TDBFunc::SetProgramStateByProcess(std::int16_t state, const std::string& processName) {
    // The state is set by program name, which the catalogue keeps unique, so the name read for this
    // process names no other entry.
    const TRead<std::string> program = GetProgramByProcess(processName);
    if (program.outcome != TReadOutcome::Rows)
        return TWriteResult::Failed;
    return SetProgramState(state, program.rows.front());
}
