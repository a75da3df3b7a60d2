#include "platform/WindowSystem.h"

namespace vh::platform {

namespace {
std::unique_ptr<WindowSystem>& Instance() {
    static std::unique_ptr<WindowSystem> instance;
    return instance;
}
} // namespace

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
