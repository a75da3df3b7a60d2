#pragma once
// MD5 as published in RFC 1321.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vh::md5 {

class Md5 {
public:
    Md5();
    void Update(const void* data, std::size_t size);
    void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
    std::array<std::uint8_t, 16> Final();

private:
    void Transform(const std::uint8_t block[64]);

    std::uint32_t state_[4];
    std::uint64_t bytes_ = 0;
    std::uint8_t buffer_[64];
};

std::array<std::uint8_t, 16> Digest(std::string_view bytes);

} // namespace vh::md5
