#pragma once
// The notice dialog's line break: a message longer than 36 bytes gets one LF CR, so that its first line
// holds at most 18 Chinese characters.
#include <cstddef>
#include <string>

namespace vh::app {

inline constexpr std::size_t kNoticeLineBytes = 36;

// Inserts "\n\r" once after the 36th byte when text (GBK) is longer than 36 bytes. When the 36th byte
// starts a double-byte character the break goes before that character instead, so no half character is
// ever shown and the first line never exceeds 36 bytes.
std::string BreakNoticeText(const std::string& text);

} // namespace vh::app
