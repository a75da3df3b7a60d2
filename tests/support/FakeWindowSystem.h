#pragma once
// A scripted window system for unit tests of logic above the platform: windows in Z order from the top,
// a process list, the user's presence, and a record of the close requests and kills it was asked for.
#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "platform/WindowSystem.h"

namespace vh::test {

struct FakeWindow {
    platform::WindowId id = 0;
    std::string caption; // GBK
    std::uint32_t pid = 0;
    bool owned = false;
    bool visible = true;
    platform::WindowStyle style; // a plain framed window unless set
};

class FakeWindowSystem : public platform::WindowSystem {
public:
    std::vector<FakeWindow> windows; // top first
    std::vector<platform::ProcessEntry> processes;
    // Start of a listed process; one not set here started long before any sample.
    std::map<std::uint32_t, std::chrono::system_clock::time_point> started;

    // Set to make the next calls fail the way a lost display does.
    bool failEnum = false;
    bool failCaption = false;
    // What RequestClose answers for a known window; the window is removed when true.
    bool closeAnswers = true;

    // What Presence and ReadPresence answer: a user at the keyboard unless a test says otherwise; nothing
    // stands for a backend that cannot read it at the moment.
    platform::PresenceSupport presenceSupport{platform::PresenceGap::None, {}};
    std::optional<platform::UserPresence> presence = platform::UserPresence{};
    int presenceReads = 0;

    int snapshotsTaken = 0;
    std::vector<platform::WindowId> closeRequests;
    std::vector<std::uint32_t> kills;

    // Puts a fresh fake in place of the process-wide window system and returns it.
    static FakeWindowSystem& Install() {
        auto fake = std::make_unique<FakeWindowSystem>();
        FakeWindowSystem& ref = *fake;
        platform::SetWindowSystem(std::move(fake));
        return ref;
    }

    FakeWindow& AddWindow(platform::WindowId id, const std::string& caption, std::uint32_t pid) {
        FakeWindow w;
        w.id = id;
        w.caption = caption;
        w.pid = pid;
        windows.push_back(w);
        return windows.back();
    }
    void AddProcess(std::uint32_t pid, const std::string& exeName) { processes.push_back({pid, exeName}); }
    // Moves a window to the top of the Z order.
    void Raise(platform::WindowId id) {
        auto it = Find(id);
        if (it == windows.end())
            return;
        FakeWindow w = *it;
        windows.erase(it);
        windows.insert(windows.begin(), w);
    }

    void EnumTopWindows(const std::function<bool(platform::WindowId)>& visit) override {
        if (failEnum)
            throw std::runtime_error("fake: display lost");
        const auto copy = windows; // a visitor may change the list
        for (const auto& w : copy) {
            if (!visit(w.id))
                break;
        }
    }
    bool HasOwner(platform::WindowId w) override {
        return With(w, [](const FakeWindow& f) { return f.owned; });
    }
    bool IsVisible(platform::WindowId w) override {
        return With(w, [](const FakeWindow& f) { return f.visible; });
    }
    platform::WindowStyle GetStyle(platform::WindowId w) override {
        auto it = Find(w);
        return it == windows.end() ? platform::WindowStyle{} : it->style;
    }
    // Cut like GetWindowTextA: the first maxBytes bytes, whatever they are.
    std::string GetCaption(platform::WindowId w, std::size_t maxBytes) override {
        if (failCaption)
            throw std::runtime_error("fake: caption failed");
        auto it = Find(w);
        return it == windows.end() ? std::string() : text::CutBytes(it->caption, maxBytes);
    }
    std::uint32_t GetProcessId(platform::WindowId w) override {
        auto it = Find(w);
        return it == windows.end() ? 0 : it->pid;
    }
    std::vector<platform::ProcessEntry> SnapshotProcesses() override {
        ++snapshotsTaken;
        return processes;
    }
    bool RequestClose(platform::WindowId w, std::chrono::milliseconds) override {
        closeRequests.push_back(w);
        auto it = Find(w);
        if (it == windows.end() || !closeAnswers)
            return false;
        windows.erase(it);
        return true;
    }
    std::optional<platform::ProcessIdentity> IdentifyProcess(std::uint32_t pid) override {
        for (const auto& p : processes) {
            if (p.pid == pid) {
                const auto it = started.find(pid);
                return platform::ProcessIdentity{
                    p.exeName, it == started.end() ? std::chrono::system_clock::time_point{} : it->second};
            }
        }
        return std::nullopt;
    }
    platform::PresenceSupport Presence() override { return presenceSupport; }
    std::optional<platform::UserPresence> ReadPresence() override {
        ++presenceReads;
        return presence;
    }
    bool TerminateProcess(std::uint32_t pid) override {
        kills.push_back(pid);
        const auto before = processes.size();
        std::erase_if(processes, [pid](const platform::ProcessEntry& p) { return p.pid == pid; });
        return processes.size() != before;
    }

private:
    std::vector<FakeWindow>::iterator Find(platform::WindowId id) {
        return std::find_if(windows.begin(), windows.end(), [id](const FakeWindow& f) { return f.id == id; });
    }
    template <typename F> bool With(platform::WindowId id, F f) {
        auto it = Find(id);
        return it != windows.end() && f(*it);
    }
};

} // namespace vh::test
