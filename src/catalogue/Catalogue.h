#pragma once
// Plain helpers of the catalogue pages. Texts are GBK.
#include <cstdint>
#include <string>

#include "storage/uDBFunc.h"

namespace vh::catalogue {

// The program names of the entries with at least lowestState (0 all, 1 work programs); empty when the
// catalogue lists nothing or the query fails.
TStringList LoadProgramNames(std::int16_t lowestState);

// The process name and description of a listed program; empty fields when the look-up fails, so the page
// shows the name alone.
TProgramInfo LookUpProgram(const std::string& programName);

// Removes the entry of the process name. Throws only when a roll-back fails.
TWriteResult RemoveProgram(const std::string& processName);

// Why a catalogue write was refused, as one short sentence for the user (GBK); empty for Done.
std::string RefusalText(TWriteResult result);

// The outcome of a change to a catalogue entry made on the management page.
struct ChangeResult {
    enum Kind { Done, Incomplete, Refused };
    Kind kind = Done;
    TWriteResult write = TWriteResult::Done; // Refused only: why
};
// Trims the three texts and stores them under the entry of the process name; an empty process or program
// name never reaches the database. Throws only when a roll-back fails.
ChangeResult ChangeProgram(const std::string& processName, const std::string& programName,
                           const std::string& description);
// The notice the page shows for a change that was not made: caption and text (GBK).
struct ChangeNotice {
    std::string caption;
    std::string text;
};
ChangeNotice ChangeRefusalNotice(const ChangeResult& result);

// Where an added entry goes: into the catalogue only, or into it as a work program.
enum class AddMode { Catalogue, WorkProgram };

// Inserts the entry; as a work program it is then marked as one, and an entry that already has the
// process name (perhaps under another program name) becomes the work program instead. Throws only when
// a roll-back fails.
TWriteResult AddProgram(AddMode mode, const std::string& processName, const std::string& programName,
                        const std::string& description);

} // namespace vh::catalogue
