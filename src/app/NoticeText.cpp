#include "app/NoticeText.h"

#include "platform/Text.h"

namespace vh::app {

std::string BreakNoticeText(const std::string& text) {
    if (text.size() <= kNoticeLineBytes)
        return text;
    // Walk whole characters from the start: a trail byte can look like a lead byte, so the position of a
    // character boundary is only known by counting from the beginning.
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t len = text::GbkCharLength(text, pos);
        if (pos + len > kNoticeLineBytes)
            break;
        pos += len;
    }
    return text.substr(0, pos) + "\n\r" + text.substr(pos);
}

} // namespace vh::app
