#pragma once
// Where the program's own files live. A program whose folder is the user's own (the build folder, a copy the
// user unpacked, Windows) keeps them beside the executable, as it always has. An installed one (below /usr,
// or in a folder the user cannot write) is shared by every user of the machine: its files then live in the
// user's data folder, and the delivered files are copied there on the first start.
#include <string>
#include <vector>

namespace vh::platform {

struct AppLocations {
    bool installed = false;
    // Config.ini, ABC.GDB, SuccessTips.txt, Version.ini and data/abc.gdb; with its trailing separator.
    std::string dataDir;
    // The sampler's trace (logd.txt); logd.old.txt goes beside it.
    std::string traceFile;
    // Installed: the read-only delivered files copied into dataDir; with its trailing separator.
    std::string deliveredDir;

    std::string File(const std::string& name) const { return dataDir + name; }
};

// What the rule looks at (Linux: the base-directory variables as set; empty when unset).
struct LocationFacts {
    std::string exeDir;            // the executable's folder, with its trailing '/'
    bool exeDirWritable = true;    // the user may create files there
    bool sharedDataExists = false; // <prefix>/share/varnholt beside the executable's bin folder
    std::string xdgDataHome;
    std::string xdgStateHome;
    std::string home;
};

// The rule. Installed: the folder lies below /usr (even for root, who may write there) or the user cannot
// write it. Then the data live in $XDG_DATA_HOME/varnholt (default ~/.local/share/varnholt), the trace in
// $XDG_STATE_HOME/varnholt (default ~/.local/state/varnholt), and the delivered files come from
// <prefix>/share/varnholt, found as ../share/varnholt from the executable (a folder without one delivers the
// files that lie beside the executable).
AppLocations DecideLocations(const LocationFacts& facts);

// The facts of an executable's folder for the calling user and environment (Windows: always the user's own).
LocationFacts FactsOf(const std::string& exeDir);

// The locations of the running program, decided afresh at each call. An application folder set with
// OverrideExecutableDir (tests, tools) is taken as the user's own. Windows keeps the trace at "c:\logd.txt".
AppLocations ThisProcessLocations();

// Installed: makes the data folder and the trace's folder (mode 0700) and copies every named delivered file
// that is missing in the data folder. A copy is written under a temporary name and linked into place, so a
// crash never leaves half a file, and a file that exists is never overwritten. Does nothing for a program
// that is not installed. Throws std::runtime_error naming what failed, after trying every file.
void ProvideDeliveredFiles(const AppLocations& where, const std::vector<std::string>& names);

} // namespace vh::platform
