// The notice texts: the 44-byte wrap of the non-work notice and the 36-byte break of the notice dialog.
#include <cstdint>
#include <string>

#include "app/NoticeText.h"
#include "monitor/NonWork.h"
#include "platform/Text.h"

namespace {

// Splits at the inserted LF CR pairs.
bool LinesFit(const std::string& wrapped, size_t width) {
    size_t start = 0;
    for (;;) {
        const size_t br = wrapped.find("\n\r", start);
        const size_t len = (br == std::string::npos ? wrapped.size() : br) - start;
        // A single double-byte character may exceed a width below 2.
        if (len > std::max<size_t>(width, 2))
            return false;
        if (br == std::string::npos)
            return true;
        start = br + 2;
    }
}

std::string WithoutBreaks(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && i + 1 < s.size() && s[i + 1] == '\r') {
            ++i;
            continue;
        }
        out += s[i];
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const size_t width = data[0] % 64;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const bool plain = text.find_first_of("\n\r") == std::string::npos;

    const std::string wrapped = vh::monitor::WrapNoticeText(text, width);
    if (wrapped.size() < text.size())
        __builtin_trap();
    if (plain && (WithoutBreaks(wrapped) != text || !LinesFit(wrapped, width)))
        __builtin_trap();
    (void)vh::monitor::WrapNoticeText(text, vh::monitor::kNoticeLineWidth);

    const std::string broken = vh::app::BreakNoticeText(text);
    if (text.size() <= vh::app::kNoticeLineBytes) {
        if (broken != text)
            __builtin_trap();
    } else {
        const size_t br = broken.find("\n\r");
        if (broken.size() != text.size() + 2 || br == std::string::npos || br > vh::app::kNoticeLineBytes)
            __builtin_trap();
        if (plain && WithoutBreaks(broken) != text)
            __builtin_trap();
    }
    (void)vh::monitor::CheckReminderText(text);
    const std::string stored = vh::monitor::EncodeReminderForStorage(text);
    if (stored.find_first_of("\r\n") != std::string::npos)
        __builtin_trap();
    (void)vh::monitor::DecodeStoredReminder(text);
    (void)vh::monitor::MatchKey(text);
    return 0;
}
