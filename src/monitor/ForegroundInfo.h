#pragma once
// The last sample, kept for the non-work handling.
#include <cstdint>
#include <string>

#include "platform/WindowSystem.h"

struct TForegroundInfo {
    std::string ExeName; // GBK
    std::string Caption; // GBK
    vh::platform::WindowId WindowHandle = 0;
    std::uint32_t ProcessId = 0;
};

// Written only by the sampler.
extern TForegroundInfo ForegroundInfo;
