#pragma once
// The non-work decision: is the sampled program a work program, and if not, how to react. Plain logic;
// the dialogs and the glue that carries a reaction out live in uDealUnwork / UnworkHandler. Texts are GBK.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/ForegroundInfo.h"
#include "platform/WindowSystem.h"
#include "storage/uDBFunc.h"

class TSettingsAccessor;

namespace vh::monitor {

// Width in bytes of one line of the notice message.
inline constexpr std::size_t kNoticeLineWidth = 44;
// Longest reminder text accepted, in GBK bytes.
inline constexpr std::size_t kReminderMaxBytes = 140;

// The notice buttons' layouts.
enum NoticeLayout : int { kLayoutRemind = 0, kLayoutKillOnly = 1, kLayoutRemindOrKill = 2 };

// Texts of the non-work handling.
const std::string& DefaultReminderText(); // the reminder when none is stored, ending in an ASCII "?"
const std::string& FixedReminderText();   // the same words without the final "?" (modes 2 and 3)
const std::string& NoticeTitle();         // "注意哦"
const std::string& ReminderEmptyMessage();
const std::string& ReminderTooLongMessage();

// The file-name part of a process name: the text after the last "\", ":" or "/" (catalogue entries may
// hold full paths of either platform), the whole text when there is none.
std::string FileNamePart(std::string_view processName);
// The form in which two process names are compared: file-name part, ASCII letters upper-cased.
std::string MatchKey(std::string_view processName);
// True when exeName names one of the work processes.
bool IsWorkProgram(std::string_view exeName, const TStringList& workProcesses);

// Breaks text into lines of at most width bytes joined by LF CR. A cut that would split a double-byte
// character is moved back before it, so no line shows half a character; a width too small for the next
// character still takes that whole character, so the text always gets shorter.
std::string WrapNoticeText(const std::string& text, std::size_t width);

// What one hand-over does for a stored reaction mode.
struct Reaction {
    enum Kind { None, Notice, CloseWindow };
    Kind kind = None;
    std::string title;   // Notice only
    std::string message; // Notice only, unwrapped
    int layout = 0;      // Notice only
};
Reaction ReactionFor(int mode, const std::string& reminderText);

// The reminder-text dialog's check of what the user typed.
struct ReminderCheck {
    enum Result { Ok, Empty, TooLong };
    Result result = Ok;
    std::string text; // the trimmed text (to be stored when Ok)
};
ReminderCheck CheckReminderText(std::string_view typed);

// The settings file holds one line per value, so a multi-line reminder is stored with its line breaks
// written as "\n" (and a backslash as "\\"); reading turns them back. Every typed break (LF, CR or CR LF)
// becomes one LF.
std::string EncodeReminderForStorage(std::string_view text);
std::string DecodeStoredReminder(std::string_view stored);

// system/InformStr, decoded, with the default text when the key is absent.
std::string ReadReminderText(const TSettingsAccessor& settings);
void WriteReminderText(const TSettingsAccessor& settings, std::string_view text);
// system/unwork, default 0.
int ReadReactionModeValue(const TSettingsAccessor& settings);
// Stores the reaction mode. Throws when the settings file refuses the write.
void WriteReactionMode(const TSettingsAccessor& settings, int mode);

// Marks the catalogue entry programName as a work program, unless it is among the work programs the user
// sees listed (ASCII case ignored): then nothing is written and the result is empty. Otherwise the
// database's outcome. Throws only when a roll-back fails.
std::optional<TWriteResult> MarkWorkProgram(const std::string& programName, const std::vector<std::string>& listedWork);
// Makes the entry an ordinary catalogue entry again. Throws only when a roll-back fails.
TWriteResult UnmarkWorkProgram(const std::string& programName);

// The outside calls of one non-work check; each is replaceable for tests.
struct NonWorkActions {
    // The process names of the work programs; empty when they could not be read.
    std::function<TStringList()> listWorkProcesses;
    std::function<std::string()> readReminderText;
    std::function<int()> readReactionMode;
    std::function<void(const std::string& title, const std::string& message, int layout, const std::string& processName,
                       const std::string& programName, std::uint32_t pid, const vh::DateTime& sampledAt)>
        showNotice;
    std::function<void(vh::platform::WindowId)> requestClose;
};

// True when identity (what now runs under the sampled id) is the sampled process: the same executable
// name, started before the sample. The sample's moment has whole seconds, so a start within its second
// still counts as before.
bool IsSampledProcess(const std::optional<vh::platform::ProcessIdentity>& identity, const std::string& exeName,
                      const vh::DateTime& sampledAt);
// Kills pid only while it still names the sampled process; an id handed on to another process since is left
// alone, as an ended one is. True when the kill was made.
bool KillSampledProcess(vh::platform::WindowSystem& ws, std::uint32_t pid, const std::string& exeName,
                        const vh::DateTime& sampledAt);

// One hand-over: a fresh work-process list every time, then the reaction of the stored mode when the
// sampled program is not among them. A failing query leaves the list short, which only means "react".
void CheckNonWorkProgram(const TForegroundInfo& sample, const NonWorkActions& actions);

} // namespace vh::monitor
