#pragma once
// The one doorway to the database: every read and write of samples and of the program catalogue.
// The operations keep no state of their own, so they work the same before the first TDBFunc exists.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using TStringList = std::vector<std::string>;

class TDBFunc {
public:
    // OpenDatabase: the fallback opening of the connection (data/abc.gdb below the application folder)
    // when it is not open yet. Throws std::runtime_error (GBK text) when that opening fails.
    TDBFunc();

    // Stores one sample in its own transaction. Silent on failure, except when the roll-back fails too
    // (for instance with the connection closed): then it throws.
    static void InsertSample(const std::string& timeText, const std::string& caption, const std::string& processName,
                             const std::string& description);
    static void DeleteAllSamples();
    // Loads the samples with from <= TIMEDETAIL <= to. Leaves from unchanged when rows were found,
    // writes "-1" into it when none, "-2" when the query failed.
    static void QuerySamples(std::string& from, const std::string& to);
    // Tallies of the last QuerySamples, appended in order of first appearance (lists not cleared).
    // Throw on failure.
    static void CountByProcess(TStringList& counts, TStringList& names);
    static void CountByTitle(TStringList& counts, TStringList& names);
    // The process names of the work programs; the list is created when the caller passes none.
    static void ListWorkProcesses(std::optional<TStringList>& list);
    // Program names of the entries whose state is at least lowestState ("0" all, "1" work programs).
    static bool ListPrograms(TStringList& list, const std::string& lowestState);
    static bool GetProgramInfo(const std::string& programName, std::string& processName, std::string& description);
    static void InsertProgram(const std::string& processName, const std::string& programName,
                              const std::string& description);
    static void UpdateProgram(const std::string& processName, const std::string& programName,
                              const std::string& description);
    static void DeleteProgram(const std::string& processName);
    static void SetProgramState(std::int16_t state, const std::string& programName);
    // Index of the first item equal to text after trimming both, or -1.
    static int FindInList(const TStringList& list, const std::string& text);
};

// The process-wide reference; each construction (applying the schedule) replaces it.
extern std::unique_ptr<TDBFunc> DBFunc;
