// The share list's numeric sort key and the share texts.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "analysis/Shares.h"

namespace a = vh::analysis;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const char sep = (data[0] & 1) ? ',' : '.';
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    const std::string prefix = a::NumericPrefix(text, sep);
    if (prefix != "0" && text.compare(0, prefix.size(), prefix) != 0)
        __builtin_trap();
    if (std::isnan(a::NumericValue(text, sep)))
        __builtin_trap();

    long long count = 0;
    (void)a::ParseCount(text, count);
    if (size >= 9) {
        double d;
        std::memcpy(&d, data + 1, sizeof d);
        (void)a::FormatShare(d, sep);
        (void)a::SharePercent(d, 7.0);
    }
    const a::ShareRow r1{text, text, prefix};
    const a::ShareRow r2{prefix, "1", text};
    for (int col = 0; col < 4; ++col)
        for (auto kind : {a::CompareKind::Text, a::CompareKind::Numeric, a::CompareKind::DateTime}) {
            const int x = a::CompareShareRows(r1, r2, col, kind, true);
            const int y = a::CompareShareRows(r2, r1, col, kind, true);
            if ((x < 0 && y < 0) || (x > 0 && y > 0))
                __builtin_trap();
        }
    return 0;
}
