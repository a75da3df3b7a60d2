// The GBK helpers on arbitrary bytes, with the properties the byte rules rely on.
#include <cstdint>
#include <string>

#include "platform/Text.h"

namespace t = vh::text;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const size_t n = data[0];
    const std::string s(reinterpret_cast<const char*>(data) + 1, size - 1);

    const std::string gbk = t::Utf8ToGbk(s);
    const std::string utf8 = t::GbkToUtf8(s);
    (void)t::GbkToUtf8(gbk);
    (void)t::Utf8ToGbk(utf8);
    // Text that came out of the GBK conversion survives the way back unchanged.
    if (t::Utf8ToGbk(t::GbkToUtf8(gbk)) != gbk)
        __builtin_trap();

    const std::string cut = t::CutBytes(s, n);
    if (cut.size() != std::min(n, s.size()) || s.compare(0, cut.size(), cut) != 0)
        __builtin_trap();
    const std::string whole = t::CutBytesWhole(s, n);
    if (whole.size() > n || s.compare(0, whole.size(), whole) != 0)
        __builtin_trap();
    if (s.size() <= n && whole != s)
        __builtin_trap();
    if (s.size() > n && whole.size() + 1 < n)
        __builtin_trap();
    // The cut never ends inside a double-byte character (a lead byte with a valid second byte): walking
    // characters from the start lands on it.
    const auto trail = [](unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; };
    size_t i = 0;
    while (i < whole.size())
        i += t::IsGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
                     trail(static_cast<unsigned char>(s[i + 1]))
                 ? 2
                 : 1;
    if (i != whole.size())
        __builtin_trap();

    const std::string trimmed = t::Trim(s);
    if (!trimmed.empty() &&
        (static_cast<unsigned char>(trimmed.front()) <= 0x20 || static_cast<unsigned char>(trimmed.back()) <= 0x20))
        __builtin_trap();
    if (s.find(trimmed) == std::string::npos)
        __builtin_trap();

    const std::string up = t::AsciiUpper(s);
    if (up.size() != s.size() || !t::EqualsIgnoreAsciiCase(up, t::AsciiLower(s)))
        __builtin_trap();
    int v = 0;
    (void)t::ParseInt32(s, v);
    return 0;
}
