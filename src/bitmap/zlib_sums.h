#pragma once

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>

namespace tintwell {

// zlib's running checksums over any length of bytes (zlib takes at most UINT_MAX at a
// time): `sum` is the value so far (0 to start a CRC-32).
template <auto Update>
[[nodiscard]] std::uint32_t ZlibSum(std::uint32_t sum, const std::uint8_t* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const auto n = static_cast<uInt>(std::min<std::size_t>(size - done, UINT_MAX));
        sum = static_cast<std::uint32_t>(Update(sum, data + done, n));
        done += n;
    }
    return sum;
}

[[nodiscard]] inline std::uint32_t Crc32(std::uint32_t sum, const std::uint8_t* data,
                                         std::size_t size) {
    return ZlibSum<crc32>(sum, data, size);
}

}  // namespace tintwell
