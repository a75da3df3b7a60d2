// Code page 936 through the system's own conversions, as the program's ANSI calls do.
#include "platform/Text.h"

#include <windows.h>

namespace vh::text {

namespace {

constexpr UINT kGbk = 936;

std::wstring ToWide(UINT codePage, std::string_view in) {
    if (in.empty())
        return {};
    const int n = MultiByteToWideChar(codePage, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, in.data(), static_cast<int>(in.size()), out.data(), n);
    return out;
}

std::string FromWide(UINT codePage, std::wstring_view in) {
    if (in.empty())
        return {};
    const int n =
        WideCharToMultiByte(codePage, 0, in.data(), static_cast<int>(in.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, in.data(), static_cast<int>(in.size()), out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace

std::string Utf8ToGbk(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        // Convert each run of well-formed text in one call; every broken byte becomes one "?".
        std::size_t j = i;
        std::size_t len;
        while (j < utf8.size() && (len = Utf8SequenceLength(utf8, j)) != 0)
            j += len;
        if (j > i) {
            // The default character of the conversion is "?": one per character GBK lacks. GBK holds no
            // character beyond the BMP, and such a character must be one "?", not one per UTF-16 half.
            std::wstring wide = ToWide(CP_UTF8, utf8.substr(i, j - i));
            std::wstring bmp;
            bmp.reserve(wide.size());
            for (std::size_t k = 0; k < wide.size(); ++k) {
                if (wide[k] >= 0xD800 && wide[k] <= 0xDBFF && k + 1 < wide.size()) {
                    bmp += L'?';
                    ++k;
                } else {
                    bmp += wide[k];
                }
            }
            out += FromWide(kGbk, bmp);
            i = j;
        }
        if (i < utf8.size()) {
            out += '?';
            ++i;
        }
    }
    return out;
}

std::string GbkToUtf8(std::string_view gbk) {
    // Code page 936 turns broken sequences into "?" or private-use characters; ours is U+FFFD per broken
    // byte, as on Linux.
    std::wstring wide;
    wide.reserve(gbk.size());
    std::size_t i = 0;
    while (i < gbk.size()) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        if (c < 0x80) {
            wide += static_cast<wchar_t>(c);
            ++i;
            continue;
        }
        if (c == 0x80) {
            wide += static_cast<wchar_t>(0x20AC);
            ++i;
            continue;
        }
        if (IsGbkLeadByte(c) && i + 1 < gbk.size()) {
            const auto t = static_cast<unsigned char>(gbk[i + 1]);
            wchar_t w[2];
            if (t >= 0x40 && t != 0x7F && t != 0xFF &&
                MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data() + i, 2, w, 2) == 1) {
                wide += w[0];
                i += 2;
                continue;
            }
        }
        wide += static_cast<wchar_t>(0xFFFD);
        ++i;
    }
    return FromWide(CP_UTF8, wide);
}

std::string NativeToGbk(std::string_view native) {
    if (GetACP() == kGbk)
        return std::string(native);
    return FromWide(kGbk, ToWide(CP_ACP, native));
}

} // namespace vh::text
