#include "settings/PasswordHash.h"

#include "settings/md5.h"

std::string PasswordHash(const std::string& gbkText) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(32);
    for (std::uint8_t b : vh::md5::Digest(gbkText)) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}
