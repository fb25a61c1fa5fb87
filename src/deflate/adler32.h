#pragma once

#include <cstddef>
#include <cstdint>

namespace tintwell::deflate {

// The Adler-32 sum (RFC 1950) that ends a zlib stream, continued from `sum` (1 to start).
// Both halves are reduced modulo 65521 only every 5552 bytes: the most bytes after which
// the second half cannot yet overflow 32 bits.
[[nodiscard]] inline std::uint32_t Adler32(std::uint32_t sum, const std::uint8_t* data,
                                           std::size_t size) {
    constexpr std::uint32_t kModulus = 65521;
    constexpr std::size_t kChunk = 5552;
    std::uint32_t a = sum & 0xFFFF;
    std::uint32_t b = sum >> 16;
    while (size > 0) {
        const std::size_t n = size < kChunk ? size : kChunk;
        for (std::size_t i = 0; i < n; ++i) {
            a += data[i];
            b += a;
        }
        a %= kModulus;
        b %= kModulus;
        data += n;
        size -= n;
    }
    return (b << 16) | a;
}

}  // namespace tintwell::deflate
