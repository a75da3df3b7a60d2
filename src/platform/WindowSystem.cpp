#include "platform/WindowSystem.h"

namespace vh::platform {

namespace {
std::unique_ptr<WindowSystem>& Instance() {
    static std::unique_ptr<WindowSystem> instance;
    return instance;
}
} // namespace

bool WindowSystem::TerminateIdentified(std::uint32_t pid, const std::function<bool(const ProcessIdentity&)>& isTarget) {
    const std::optional<ProcessIdentity> identity = IdentifyProcess(pid);
    if (!identity || !isTarget(*identity))
        return false;
    return TerminateProcess(pid);
}

WindowSystem& TheWindowSystem() {
    auto& instance = Instance();
    // A failed creation (no display yet) leaves nothing behind, so the next call tries again.
    if (!instance)
        instance = CreateWindowSystem();
    return *instance;
}

void SetWindowSystem(std::unique_ptr<WindowSystem> ws) {
    Instance() = std::move(ws);
}

} // namespace vh::platform
