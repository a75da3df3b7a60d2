#pragma once
// The one doorway to the database: every read and write of samples and of the program catalogue. The
// operations keep no state of their own and share none between calls: reads return their rows and how
// the read went, writes return whether the database took them.
#include <cstdint>
#include <string>
#include <vector>

using TStringList = std::vector<std::string>;

// The outcome of a writing operation: done, or why the database refused it (the transaction is rolled
// back). A failing roll-back is not an outcome: it leaves the operation as an error.
enum class [[nodiscard]] TWriteResult{
    Done,
    ProcessNameExists, // another entry has this process name
    ProgramNameExists, // another entry has this program name
    TooLong,           // a text longer than its column
    BlankName,         // a process or program name that is empty or blank
    Failed             // any other refusal
};

// How a read went. Callers that must tell "nothing there" from "could not look" (the analysis) read the
// outcome; the others take the rows, which are empty unless the outcome is Rows.
enum class TReadOutcome { Rows, NoRows, Failed };

template <class Row> struct [[nodiscard]] TRead {
    TReadOutcome outcome = TReadOutcome::Failed;
    std::vector<Row> rows;

    bool Failed() const { return outcome == TReadOutcome::Failed; }
    static TRead Of(std::vector<Row> found) {
        TRead r;
        r.outcome = found.empty() ? TReadOutcome::NoRows : TReadOutcome::Rows;
        r.rows = std::move(found);
        return r;
    }
};

// One stored sample (texts GBK).
struct TSampleRow {
    std::string time; // "yyyy-mm-dd hh:nn:ss"
    std::string processName;
    std::string caption;
};

// One group of a tally: its name, how many samples it holds, and the moment of its first sample.
struct TTallyRow {
    std::string name;
    std::int64_t count = 0;
    std::string firstAt;
};

// How many samples of one day ("yyyy-mm-dd") had the process in front.
struct TDayCount {
    std::string day;
    std::string processName;
    std::int64_t count = 0;
};

// One sampled process with how often and how lately it was seen (texts GBK).
struct TProcessUse {
    std::string processName;
    std::int64_t count = 0;
    std::string lastSeen;    // "yyyy-mm-dd hh:nn:ss" of its latest sample
    std::string lastCaption; // the window caption of that sample
};

// The catalogue entry a program name looks up.
struct TProgramInfo {
    std::string processName;
    std::string description;
};

class TDBFunc {
public:
    // OpenDatabase: the fallback opening of the connection (data/abc.gdb below the data folder) when it is
    // not open yet. Throws std::runtime_error (GBK text) when that opening fails. The operations need no
    // object: constructing one only opens the connection.
    TDBFunc();

    // The file of the open database; empty without a connection.
    static std::string DatabaseFile();

    // Stores one Sample in its own transaction. A refusal is only reported by the result, except when the
    // roll-back fails too (for instance with the connection closed): then it throws.
    static TWriteResult InsertSample(const std::string& timeText, const std::string& caption,
                                     const std::string& processName, const std::string& description);
    // Deletes every sample (and the counts kept of them); throws as InsertSample does.
    static TWriteResult DeleteAllSamples();

    // The samples with from <= TIMEDETAIL <= to (bounds compared as text), in time order.
    static TRead<TSampleRow> QuerySamples(const std::string& from, const std::string& to);
    // The samples of the range counted per process name (blanks around a name do not split a group; the
    // name stands as its first sample has it) or per caption (trimmed), counted by the database. Groups
    // stand in the order of their first sample in the range's time order.
    static TRead<TTallyRow> CountByProcess(const std::string& from, const std::string& to);
    static TRead<TTallyRow> CountByTitle(const std::string& from, const std::string& to);
    // The samples of the range counted per day and process name as stored, by day.
    static TRead<TDayCount> CountByDay(const std::string& from, const std::string& to);
    // The process names sampled at or after since ("yyyy-mm-dd hh:nn:ss"), most samples first (then by
    // name), at most limit of them, each with the caption of its latest sample.
    static TRead<TProcessUse> ListRecentProcesses(const std::string& since, int limit);

    // The process names of the work programs. A failed read rolls fibtrans1 back; only a failing roll-back
    // throws.
    static TRead<std::string> ListWorkProcesses();
    // Program names of the entries whose state is at least lowestState (0 all, 1 work programs).
    static TRead<std::string> ListPrograms(std::int16_t lowestState);
    // The entry of a program name: one row, none, or Failed (also for a blank name, which is never looked
    // up).
    static TRead<TProgramInfo> GetProgramInfo(const std::string& programName);
    // The program name of the entry with this process name.
    static TRead<std::string> GetProgramByProcess(const std::string& processName);

    // The catalogue writes, with the same roll-back and throw as InsertSample.
    static TWriteResult InsertProgram(const std::string& processName, const std::string& programName,
                                      const std::string& description);
    static TWriteResult UpdateProgram(const std::string& processName, const std::string& programName,
                                      const std::string& description);
    static TWriteResult DeleteProgram(const std::string& processName);
    static TWriteResult SetProgramState(std::int16_t state, const std::string& programName);
    // Sets the state of the entry found by its process name; its names and description stay. Failed when
    // no entry has that process name.
    static TWriteResult SetProgramStateByProcess(std::int16_t state, const std::string& processName);
};

namespace vh::storage {

// Groups counted by exact name, merged into the groups the tallies show: names equal after trimming form
// one group, named as the earliest of them (trimmed when trimNames), ordered by their first sample.
std::vector<TTallyRow> MergeTallyRows(std::vector<TTallyRow> grouped, bool trimNames);

} // namespace vh::storage
