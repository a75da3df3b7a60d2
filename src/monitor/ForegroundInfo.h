#pragma once
// One sample of the window in front, as the sampler hands it to the storage and the non-work handling.
#include <cstdint>
#include <string>

#include "platform/Clock.h"
#include "platform/WindowSystem.h"

struct TForegroundInfo {
    std::string ExeName; // GBK
    std::string Caption; // GBK
    vh::platform::WindowId WindowHandle = 0;
    std::uint32_t ProcessId = 0;
    // The tick's moment: a later kill must not hit another process that was given the id since.
    vh::DateTime SampleTime{};
};
