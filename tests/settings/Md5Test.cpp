#include "settings/md5.h"
#include "settings/PasswordHash.h"

#include "platform/Text.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <random>

namespace {

std::string Hex(const unsigned char* d, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[d[i] >> 4];
        s += digits[d[i] & 15];
    }
    return s;
}

std::string OpenSslMd5(const std::string& bytes) {
    unsigned char d[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_Digest(bytes.data(), bytes.size(), d, &n, EVP_md5(), nullptr);
    return Hex(d, n);
}

} // namespace

TEST(Md5, Rfc1321TestSuite) {
    const std::pair<const char*, const char*> suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"}};
    for (const auto& [text, hash] : suite)
        EXPECT_EQ(PasswordHash(text), hash) << text;
}

TEST(Md5, InitialPasswordHash) {
    EXPECT_EQ(PasswordHash("qwhmzt"), "3b8a85011e78b14c132c6044318a20e4");
}

TEST(Md5, ChinesePasswordsAreHashedOverTheirGbkBytes) {
    const std::string utf8 = "我的密码123";
    const std::string gbk = vh::text::Utf8ToGbk(utf8);
    EXPECT_EQ(gbk.size(), 11u);
    EXPECT_EQ(PasswordHash(gbk), OpenSslMd5(gbk));
    EXPECT_NE(PasswordHash(gbk), OpenSslMd5(utf8));
}

TEST(Md5, AgreesWithOpenSslAcrossBlockBoundariesAndSplitUpdates) {
    std::mt19937 rng(1321);
    for (std::size_t len = 0; len <= 300; ++len) {
        std::string data(len, '\0');
        for (char& c : data)
            c = static_cast<char>(rng());
        const std::string expected = OpenSslMd5(data);
        ASSERT_EQ(PasswordHash(data), expected) << len;
        vh::md5::Md5 m;
        const std::size_t cut = len ? rng() % len : 0;
        const std::size_t mid = std::min(len, cut + cut / 2);
        m.Update(data.substr(0, cut));
        m.Update(data.substr(cut, mid - cut));
        m.Update(data.substr(mid));
        const auto d = m.Final();
        ASSERT_EQ(Hex(d.data(), d.size()), expected) << len;
    }
    const std::string big(1 << 20, 'x');
    EXPECT_EQ(PasswordHash(big), OpenSslMd5(big));
}
