#include "catalogue/ProcessChoices.h"

#include <chrono>
#include <exception>
#include <unordered_map>
#include <unordered_set>

#include "monitor/Sampler.h"
#include "platform/Text.h"

namespace vh::catalogue {

namespace {
constexpr std::size_t kCaptionBytes = 254;
}

std::string ProposedProgramName(const std::string& caption) {
    const std::string whole = vh::text::Trim(caption);
    const std::size_t cut = whole.rfind(" - ");
    if (cut == std::string::npos)
        return whole;
    const std::string last = vh::text::Trim(whole.substr(cut + 3));
    return last.empty() ? whole : last;
}

std::string RecentSince(const DateTime& now, int days) {
    using namespace std::chrono;
    const year_month_day today{year{now.year}, month{static_cast<unsigned>(now.month)},
                               day{static_cast<unsigned>(now.day)}};
    const year_month_day then{sys_days{today} - std::chrono::days{days}};
    DateTime t = now;
    t.year = static_cast<int>(then.year());
    t.month = static_cast<int>(static_cast<unsigned>(then.month()));
    t.day = static_cast<int>(static_cast<unsigned>(then.day()));
    return FormatSampleTime(t);
}

std::vector<ProcessChoice> OnScreenPrograms(vh::platform::WindowSystem& ws, std::uint32_t ownPid) {
    std::vector<ProcessChoice> out;
    try {
        std::unordered_map<std::uint32_t, std::string> names;
        for (const auto& p : ws.SnapshotProcesses())
            names.emplace(p.pid, p.exeName);
        std::unordered_set<std::string> seen;
        ws.EnumTopWindows([&](vh::platform::WindowId w) {
            if (ws.HasOwner(w) || !ws.IsVisible(w) || !IsCandidateWindow(ws, w))
                return true;
            const std::uint32_t pid = ws.GetProcessId(w);
            if (pid == ownPid)
                return true;
            auto it = names.find(pid);
            if (it == names.end() || it->second.empty() || !seen.insert(it->second).second)
                return true;
            ProcessChoice c;
            c.processName = it->second;
            c.caption = vh::text::Trim(vh::text::CutBytes(ws.GetCaption(w, kCaptionBytes), kCaptionBytes));
            c.onScreen = true;
            out.push_back(std::move(c));
            return true;
        });
    } catch (const std::exception&) {
        // A window that went away meanwhile or a lost connection: offer what was found.
    }
    return out;
}

std::vector<ProcessChoice> MergeChoices(const std::vector<TProcessUse>& recorded,
                                        const std::vector<ProcessChoice>& onScreen) {
    std::vector<ProcessChoice> out;
    std::unordered_map<std::string, std::size_t> index;
    for (const TProcessUse& r : recorded) {
        const std::string name = vh::text::Trim(r.processName);
        if (name.empty() || index.count(name))
            continue;
        index.emplace(name, out.size());
        out.push_back({name, vh::text::Trim(r.lastCaption), r.count, false});
    }
    for (const ProcessChoice& s : onScreen) {
        auto it = index.find(s.processName);
        if (it == index.end()) {
            index.emplace(s.processName, out.size());
            out.push_back(s);
            continue;
        }
        ProcessChoice& c = out[it->second];
        c.onScreen = true;
        if (c.caption.empty())
            c.caption = s.caption;
    }
    return out;
}

std::vector<ProcessChoice> LoadProcessChoices(const DateTime& now, std::uint32_t ownPid) {
    std::vector<TProcessUse> recorded;
    try {
        // A failed read offers none of the sampled names.
        recorded = TDBFunc::ListRecentProcesses(RecentSince(now, kRecentDays), kMaxRecorded).rows;
    } catch (const std::exception&) {
        // No database module: only the screen.
    }
    std::vector<ProcessChoice> onScreen;
    try {
        onScreen = OnScreenPrograms(vh::platform::TheWindowSystem(), ownPid);
    } catch (const std::exception&) {
        // No display to ask.
    }
    return MergeChoices(recorded, onScreen);
}

} // namespace vh::catalogue
