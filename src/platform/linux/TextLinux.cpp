#include "platform/Text.h"

#include <cerrno>
#include <iconv.h>

namespace vh::text {

namespace {

// One converter per direction and thread; iconv_open is too slow to pay on every short text.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts in; at a byte sequence it cannot take, asks skip() how many bytes to drop and appends
    // the replacement instead.
    template <typename Skip> std::string Run(std::string_view in, std::string_view replacement, Skip skip) {
        std::string out;
        out.reserve(in.size() * 3 / 2 + 8);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buf[4096];
        while (srcLeft > 0) {
            char* dst = buf;
            std::size_t dstLeft = sizeof buf;
            const std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (a sequence cut off at the end): replace and go on after it.
            const std::size_t n = skip(std::string_view(src, srcLeft));
            src += n;
            srcLeft -= n;
            out.append(replacement);
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        return out;
    }

private:
    iconv_t cd_;
};

std::string Fallback(std::string_view s, char replacement) {
    std::string out;
    for (unsigned char c : s)
        out += c < 0x80 ? static_cast<char>(c) : replacement;
    return out;
}

} // namespace

std::string Utf8ToGbk(std::string_view utf8) {
    thread_local Converter conv("GBK", "UTF-8");
    if (!conv.ok())
        return Fallback(utf8, '?');
    // A well-formed character GBK lacks is one "?", like the Windows ANSI conversion; a broken byte is one "?".
    return conv.Run(utf8, "?", [](std::string_view rest) {
        const std::size_t len = Utf8SequenceLength(rest);
        return len ? len : std::size_t{1};
    });
}

std::string GbkToUtf8(std::string_view gbk) {
    thread_local Converter conv("UTF-8", "GBK");
    if (!conv.ok())
        return Fallback(gbk, '?');
    return conv.Run(gbk, "\xEF\xBF\xBD", [](std::string_view) { return std::size_t{1}; });
}

std::string NativeToGbk(std::string_view native) {
    return Utf8ToGbk(native);
}

} // namespace vh::text
