#include "monitor/NonWork.h"

#include <algorithm>

#include "platform/Text.h"
#include "settings/SettingsAccessor.h"

namespace vh::monitor {

namespace {

namespace keys = vh::settings::keys;

const std::string kLineBreak = "\n\r";

} // namespace

const std::string& DefaultReminderText() {
    static const std::string s = vh::text::Utf8ToGbk("您现在处理的是否是重要的事情呢？是否应该做一些更为重要的事情?");
    return s;
}

const std::string& FixedReminderText() {
    static const std::string s = vh::text::Utf8ToGbk("您现在处理的是否是重要的事情呢？是否应该做一些更为重要的事情");
    return s;
}

const std::string& NoticeTitle() {
    static const std::string s = vh::text::Utf8ToGbk("注意哦");
    return s;
}

const std::string& ReminderEmptyMessage() {
    static const std::string s = vh::text::Utf8ToGbk("提醒内容不能为空，请设定提醒内容");
    return s;
}

const std::string& ReminderTooLongMessage() {
    static const std::string s = vh::text::Utf8ToGbk("输入字数太多，请重新输入!");
    return s;
}

std::string FileNamePart(std::string_view processName) {
    // Scan by characters: a trail byte of a GBK character may equal '\\' (0x5C) and is no separator.
    std::size_t start = 0;
    for (std::size_t i = 0; i < processName.size(); ++i) {
        const auto c = static_cast<unsigned char>(processName[i]);
        if (vh::text::GbkCharLength(processName, i) == 2) {
            ++i;
            continue;
        }
        if (c == '\\' || c == ':' || c == '/')
            start = i + 1;
    }
    return std::string(processName.substr(start));
}

std::string MatchKey(std::string_view processName) {
    return vh::text::AsciiUpper(FileNamePart(processName));
}

bool IsWorkProgram(std::string_view exeName, const TStringList& workProcesses) {
    const std::string sampled = MatchKey(exeName);
    for (const auto& entry : workProcesses) {
        if (MatchKey(entry) == sampled)
            return true;
    }
    return false;
}

std::string WrapNoticeText(const std::string& text, std::size_t width) {
    std::string result;
    std::string_view rest = text;
    bool first = true;
    auto append = [&](std::string_view line) {
        if (!first)
            result += kLineBreak;
        result.append(line);
        first = false;
    };
    while (rest.size() > width) {
        std::string line = vh::text::CutBytesWhole(rest, width);
        if (line.empty()) {
            // The width cannot hold even the next character: take that character whole.
            line = std::string(rest.substr(0, vh::text::GbkCharLength(rest, 0)));
        }
        append(line);
        rest.remove_prefix(line.size());
    }
    if (!rest.empty() || first)
        append(rest);
    return result;
}

Reaction ReactionFor(int mode, const std::string& reminderText) {
    Reaction r;
    switch (mode) {
    case 0:
        r = {Reaction::Notice, NoticeTitle(), reminderText, kLayoutRemind};
        break;
    case 1:
        r.kind = Reaction::CloseWindow;
        break;
    case 2:
        r = {Reaction::Notice, NoticeTitle(), FixedReminderText(), kLayoutKillOnly};
        break;
    case 3:
        r = {Reaction::Notice, NoticeTitle(), FixedReminderText(), kLayoutRemindOrKill};
        break;
    default:
        break;
    }
    return r;
}

ReminderCheck CheckReminderText(std::string_view typed) {
    ReminderCheck c;
    c.text = vh::text::Trim(typed);
    if (c.text.empty())
        c.result = ReminderCheck::Empty;
    else if (c.text.size() > kReminderMaxBytes)
        c.result = ReminderCheck::TooLong;
    return c;
}

std::string EncodeReminderForStorage(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (vh::text::IsGbkLeadByte(c) && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x40) {
            // Copy the pair whole: its trail byte may be 0x5C and must not be escaped. A stray lead byte
            // before a line break is no pair: the break must still be escaped.
            out += text[i];
            out += text[++i];
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\\n";
        } else if (c == '\n') {
            // The program's own breaks are LF CR; keep them one break as well.
            if (i + 1 < text.size() && text[i + 1] == '\r')
                ++i;
            out += "\\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string DecodeStoredReminder(std::string_view stored) {
    std::string out;
    out.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const auto c = static_cast<unsigned char>(stored[i]);
        if (vh::text::GbkCharLength(stored, i) == 2) {
            out += stored[i];
            out += stored[++i];
        } else if (c == '\\' && i + 1 < stored.size() && (stored[i + 1] == 'n' || stored[i + 1] == '\\')) {
            out += stored[i + 1] == 'n' ? '\n' : '\\';
            ++i;
        } else {
            out += stored[i];
        }
    }
    return out;
}

std::string ReadReminderText(const TSettingsAccessor& settings) {
    return DecodeStoredReminder(settings.ReadText(keys::InformStr, EncodeReminderForStorage(DefaultReminderText())));
}

void WriteReminderText(const TSettingsAccessor& settings, std::string_view text) {
    settings.WriteText(keys::InformStr, EncodeReminderForStorage(text));
}

int ReadReactionModeValue(const TSettingsAccessor& settings) {
    return settings.ReadNumber(keys::Unwork);
}

void WriteReactionMode(const TSettingsAccessor& settings, int mode) {
    settings.WriteNumber(keys::Unwork, mode);
}

std::optional<TWriteResult> MarkWorkProgram(const std::string& programName,
                                            const std::vector<std::string>& listedWork) {
    if (std::any_of(listedWork.begin(), listedWork.end(),
                    [&](const std::string& name) { return vh::text::EqualsIgnoreAsciiCase(name, programName); }))
        return std::nullopt;
    return TDBFunc::SetProgramState(1, programName);
}

TWriteResult UnmarkWorkProgram(const std::string& programName) {
    return TDBFunc::SetProgramState(0, programName);
}

bool IsSampledProcess(const std::optional<vh::platform::ProcessIdentity>& identity, const std::string& exeName,
                      const vh::DateTime& sampledAt) {
    if (!identity || identity->exeName != exeName)
        return false;
    vh::DateTime second = sampledAt;
    second.msec = 0;
    return identity->started < vh::ToSystemTime(second) + std::chrono::seconds(1);
}

bool KillSampledProcess(vh::platform::WindowSystem& ws, std::uint32_t pid, const std::string& exeName,
                        const vh::DateTime& sampledAt) {
    // Pid 0 means no notice was ever filled; on Linux kill(0) would hit our own process group.
    if (pid == 0)
        return false;
    return ws.TerminateIdentified(pid, [&](const vh::platform::ProcessIdentity& identity) {
        return IsSampledProcess(identity, exeName, sampledAt);
    });
}

void CheckNonWorkProgram(const TForegroundInfo& sample, const NonWorkActions& actions) {
    const TStringList work = actions.listWorkProcesses ? actions.listWorkProcesses() : TStringList{};
    if (IsWorkProgram(sample.ExeName, work))
        return;

    const std::string reminder = actions.readReminderText ? actions.readReminderText() : DefaultReminderText();
    const int mode = actions.readReactionMode ? actions.readReactionMode() : 0;
    const Reaction r = ReactionFor(mode, reminder);
    switch (r.kind) {
    case Reaction::Notice:
        if (actions.showNotice)
            actions.showNotice(r.title, r.message, r.layout, sample.ExeName, sample.Caption, sample.ProcessId,
                               sample.SampleTime);
        break;
    case Reaction::CloseWindow:
        if (actions.requestClose)
            actions.requestClose(sample.WindowHandle);
        break;
    case Reaction::None:
        break;
    }
}

} // namespace vh::monitor
