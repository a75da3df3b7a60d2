#pragma once
// Text helpers. Inside the logic, text is std::string holding GBK bytes (the system's ANSI code page);
// the conversions below are the only place that knows the backend (iconv or code page 936).
#include <cstddef>
#include <string>
#include <string_view>

namespace vh::text {

// UTF-8 -> GBK. A character that GBK cannot hold becomes "?"; invalid UTF-8 bytes become "?" too.
std::string Utf8ToGbk(std::string_view utf8);
// GBK -> UTF-8. An invalid GBK byte sequence becomes U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

// Length of the well-formed UTF-8 sequence starting at s[i] (shortest form, no surrogates, at most
// U+10FFFF), or 0 when there is none. The backends' converters treat broken input differently; this
// is how both find the bytes that become one "?" each.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i = 0);

// A native file path (UTF-8 on Linux, ANSI on Windows) as GBK text, for messages.
std::string NativeToGbk(std::string_view native);

// True for a byte that starts a double-byte GBK character (0x81..0xFE).
inline bool IsGbkLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// Length of the character at s[i] as the system's ANSI functions step: 2 for a lead byte with a byte after
// it, whatever that byte is, else 1.
inline std::size_t GbkCharLength(std::string_view s, std::size_t i) {
    return IsGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// The first n bytes, whatever they are (a double-byte character may be cut in half).
std::string CutBytes(std::string_view s, std::size_t n);
// The longest prefix of at most n bytes that does not end inside a double-byte character.
std::string CutBytesWhole(std::string_view s, std::size_t n);

// Removes leading and trailing blanks and control characters (every byte <= 0x20).
std::string Trim(std::string_view s);
std::string_view TrimView(std::string_view s);

// The part of a path after its last separator (any byte of separators; bytes, not characters: for native
// paths). The whole path when it has none.
std::string_view FileNamePart(std::string_view path, std::string_view separators);

// Upper-cases the ASCII letters a..z only; every other byte (also both bytes of a GBK character) stays.
std::string AsciiUpper(std::string_view s);
// Lower-cases A..Z only.
std::string AsciiLower(std::string_view s);
// Compares ignoring the case of ASCII letters; second bytes of GBK characters are never folded.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// An integer as the settings file stores it: optional "-", decimal digits; a text of more than two
// characters beginning with "0x" or "0X" is hexadecimal. False when it is not an integer or does not fit
// a signed 32-bit value.
bool ParseInt32(std::string_view s, int& out);

} // namespace vh::text
