// The tips file: at most 101 tips of at most 86 bytes, whatever the file holds.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzFile.h"
#include "update/Tips.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = vh::fuzz::WriteScratch("SuccessTips.txt", data, size);
    std::vector<std::string> list{"old"};
    LoadTipsFile(path, list);
    if (list.size() > static_cast<size_t>(kMaxTipLines))
        __builtin_trap();
    for (const auto& tip : list)
        if (tip.size() > kMaxTipBytes || tip.find_first_of("\r\n") != std::string::npos)
            __builtin_trap();
    int index = 0;
    for (size_t i = 0; i < list.size() + 2; ++i)
        (void)NextTip(list, index);
    return 0;
}
