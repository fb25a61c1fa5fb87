#pragma once

#include <cstdint>
#include <istream>
#include <string_view>

namespace tintwell {

// The file formats the engine reads and writes.
enum class ImageFormat : std::uint8_t { Bmp, Png };

// The format of the file at `in`, told by its first bytes: the 8-byte PNG signature means
// Png, anything else Bmp (whose reader then names what is wrong). Leaves `in` at its start,
// its state cleared.
[[nodiscard]] ImageFormat SniffFormat(std::istream& in);

// The file name extension of a format, with its dot: ".bmp", ".png".
[[nodiscard]] std::string_view ExtensionOf(ImageFormat format);

}  // namespace tintwell
