#pragma once
// What the add dialog offers for its process-name field: the processes already sampled and the programs
// with a window on screen now, so that nobody has to know that "LibreOffice Writer" runs as soffice.bin.
// Texts are GBK.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/WindowSystem.h"
#include "storage/uDBFunc.h"

namespace vh::catalogue {

struct ProcessChoice {
    std::string processName;
    std::string caption;    // last seen caption, proposed as program name
    std::int64_t count = 0; // samples in the recent window; 0 for a program only on screen
    bool onScreen = false;
};

// How far back the sampled names are read, and how many are offered at most. The list is built as the
// dialog opens: a month keeps that under a tenth of a second even when every minute was sampled.
inline constexpr int kRecentDays = 30;
inline constexpr int kMaxRecorded = 40;

// The program name proposed for a caption: most programs end their caption with their own name after
// " - " ("计划.docx - LibreOffice Writer"), so that last part; the whole caption when it has none.
std::string ProposedProgramName(const std::string& caption);

// "yyyy-mm-dd hh:nn:ss" of the moment days before now.
std::string RecentSince(const DateTime& now, int days);

// One entry per process with an unowned, visible application window, in Z order from the top, each with
// the caption of its topmost window; the program's own process (ownPid) is left out. Errors of the window
// system leave the list as far as it got.
std::vector<ProcessChoice> OnScreenPrograms(vh::platform::WindowSystem& ws, std::uint32_t ownPid);

// The sampled names in their order (most samples first), then the on-screen programs not among them. A
// sampled name that is on screen too is marked so and keeps its sampled caption unless that is empty.
std::vector<ProcessChoice> MergeChoices(const std::vector<TProcessUse>& recorded,
                                        const std::vector<ProcessChoice>& onScreen);

// Both sources together: the recent samples from the database (a failing query offers none of them) and
// the windows now on screen (none when there is no window system).
std::vector<ProcessChoice> LoadProcessChoices(const DateTime& now, std::uint32_t ownPid);

} // namespace vh::catalogue
