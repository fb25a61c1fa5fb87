#pragma once

#include <cstdint>
#include <istream>
#include <string_view>

namespace tintwell {

// The most pixels an image of either format may have, in any shape (as many as 16384 x
// 16384): a larger one is refused, with Msg::Unsupported and kTooManyPixels, before a row
// is decoded or a buffer sized for it.
inline constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{1} << 28;
inline constexpr std::string_view kTooManyPixels = "an image of more pixels than 16384 x 16384";

[[nodiscard]] constexpr bool WithinPixelLimit(std::uint64_t width, std::uint64_t height) {
    return height == 0 || width <= kMaxDecodedPixels / height;
}

// The file formats the engine reads and writes.
enum class ImageFormat : std::uint8_t { Bmp, Png };

// The format of the file at `in`, told by its first bytes: the 8-byte PNG signature means
// Png, anything else Bmp (whose reader then names what is wrong). Leaves `in` at its start,
// its state cleared.
[[nodiscard]] ImageFormat SniffFormat(std::istream& in);

// The file name extension of a format, with its dot: ".bmp", ".png".
[[nodiscard]] std::string_view ExtensionOf(ImageFormat format);

}  // namespace tintwell
