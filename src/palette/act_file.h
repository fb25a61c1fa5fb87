#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "palette/color.h"
#include "palette/fixed_palettes.h"
#include "resources/string_table.h"

namespace tintwell {

// A palette file (.act) is exactly 768 bytes: red, green, blue of entries 0..255, with no
// header, count or signature. Readers take the first 768 bytes and ignore anything after.
inline constexpr std::size_t kActFileSize = 768;
using ActBytes = std::array<std::uint8_t, kActFileSize>;

enum class ActReadStatus { Ok, CannotOpen, TooShort };

struct ActReadResult {
    ActReadStatus status = ActReadStatus::CannotOpen;
    ActBytes bytes{};
};

// Reads the first 768 bytes of a palette file.
[[nodiscard]] ActReadResult ReadActFile(const std::filesystem::path& path);

// The palette file's bytes for a list of colors: at most 256 entries, then zero bytes.
[[nodiscard]] ActBytes EncodeActPalette(std::span<const Rgb> colors);

// Loads a fixed palette: the built-in table, replaced by the file `dir/name.act` when `name`
// is not empty. A missing file, and a name IsPaletteName refuses (it would be read from
// outside the folder), clear `name` silently; a short one clears it and returns
// BadPalette256 / BadPalette16 for the caller to show. Msg::None otherwise.
[[nodiscard]] Msg LoadFixedPalette256(const std::filesystem::path& dir, std::string& name,
                                      FixedPalette256& palette);
[[nodiscard]] Msg LoadFixedPalette16(const std::filesystem::path& dir, std::string& name,
                                     FixedPalette16& palette);

// The path of the palette file for a name: `dir/name.act`. ".act" is always appended,
// so a name that already ends in ".act" gives "name.act.act". The name is not checked:
// callers that form a path to open or create take only names IsPaletteName accepts.
[[nodiscard]] std::filesystem::path PaletteFilePath(const std::filesystem::path& dir,
                                                    const std::string& name);

// Whether `name` is a palette name: a file name without extension that stays inside the
// palette folder. Refused: the empty name, one holding a separator ('/'; on Windows also
// '\\' and the drive colon), so every absolute or relative path, a NUL, and "." or "..".
// A name such as "a..b" is a plain file name and accepted.
[[nodiscard]] bool IsPaletteName(std::string_view name);

}  // namespace tintwell
