#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace tintwell {

// Little-endian fields on byte spans. The caller checks that offset + width fits.
[[nodiscard]] inline std::uint16_t readU16le(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
[[nodiscard]] inline std::uint32_t readU32le(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
[[nodiscard]] inline std::int32_t readI32le(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::int32_t>(readU32le(b, at));
}
[[nodiscard]] inline std::int16_t readI16le(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::int16_t>(readU16le(b, at));
}

inline void writeU16le(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void writeU32le(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    b[at + 2] = static_cast<std::uint8_t>(v >> 16);
    b[at + 3] = static_cast<std::uint8_t>(v >> 24);
}

// True when the eight bytes from `p` are all the same. Flat art repeats one index over
// whole words, and the loops over index rows take such a word in one step.
[[nodiscard]] inline bool EightEqual(const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word == p[0] * 0x0101010101010101ull;
}

}  // namespace tintwell
