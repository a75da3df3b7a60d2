#pragma once
// The one doorway to the database: every read and write of samples and of the program catalogue.
// The operations keep no state of their own, so they work the same before the first TDBFunc exists.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using TStringList = std::vector<std::string>;

// The outcome of a writing operation: done, or why the database refused it (the transaction is rolled
// back). A failing roll-back is not an outcome: it leaves the operation as an error.
enum class TWriteResult {
    Done,
    ProcessNameExists, // another entry has this process name
    ProgramNameExists, // another entry has this program name
    TooLong,           // a text longer than its column
    BlankName,         // a process or program name that is empty or blank
    Failed             // any other refusal
};

// One sampled process with how often and how lately it was seen (texts GBK).
struct TProcessUse {
    std::string processName;
    std::int64_t count = 0;
    std::string lastSeen;    // "yyyy-mm-dd hh:nn:ss" of its latest sample
    std::string lastCaption; // the window caption of that sample
};

// One row of the samples of the last QuerySamples (texts GBK).
struct TSampleRow {
    std::string time;
    std::string processName;
    std::string caption;
};

class TDBFunc {
public:
    // OpenDatabase: the fallback opening of the connection (data/abc.gdb below the application folder)
    // when it is not open yet. Throws std::runtime_error (GBK text) when that opening fails.
    TDBFunc();

    // Stores one Sample in its own transaction. A refusal is only reported by the result, except when the
    // roll-back fails too (for instance with the connection closed): then it throws.
    static TWriteResult InsertSample(const std::string& timeText, const std::string& caption,
                                     const std::string& processName, const std::string& description);
    static TWriteResult DeleteAllSamples();
    // Loads the samples with from <= TIMEDETAIL <= to. Leaves from unchanged when rows were found,
    // writes "-1" into it when none, "-2" when the query failed.
    static void QuerySamples(std::string& from, const std::string& to);
    // Tallies of the last QuerySamples, appended in order of first appearance (lists not cleared).
    // Throw on failure.
    static void CountByProcess(TStringList& counts, TStringList& names);
    static void CountByTitle(TStringList& counts, TStringList& names);
    // The rows that the last QuerySamples found, in the order the query returned them; false when there is
    // no such result (no query yet, or another operation used the result set since).
    static bool ReadQueriedSamples(std::vector<TSampleRow>& rows);
    // The process names sampled at or after since ("yyyy-mm-dd hh:nn:ss"), most samples first (then by
    // name), at most limit of them, each with the caption of its latest sample. Reads only the samples
    // after since, through the index on the sample time. False when the query failed.
    static bool ListRecentProcesses(const std::string& since, int limit, std::vector<TProcessUse>& out);
    // The process names of the work programs; the list is created when the caller passes none.
    static void ListWorkProcesses(std::optional<TStringList>& list);
    // Program names of the entries whose state is at least lowestState ("0" all, "1" work programs).
    static bool ListPrograms(TStringList& list, const std::string& lowestState);
    static bool GetProgramInfo(const std::string& programName, std::string& processName, std::string& description);
    // The program name of the entry with this process name; false when there is none or the query failed.
    static bool GetProgramByProcess(const std::string& processName, std::string& programName);
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
    // Index of the first item equal to text after trimming both, or -1.
    static int FindInList(const TStringList& list, const std::string& text);
};

// The process-wide reference; each construction (applying the schedule) replaces it.
extern std::unique_ptr<TDBFunc> DBFunc;
