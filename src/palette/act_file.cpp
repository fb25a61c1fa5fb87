#include "palette/act_file.h"

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <system_error>

namespace tintwell {
namespace {

// Copies the first `palette.size()` red, green, blue triplets of a palette file.
template <std::size_t N>
void CopyEntries(const ActBytes& bytes, std::array<Rgb, N>& palette) {
    static_assert(N * 3 <= kActFileSize);
    for (std::size_t i = 0; i < N; ++i) {
        palette[i] = Rgb{bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
    }
}

// Both loaders: the built-in table first, so every failure leaves it in place.
template <std::size_t N>
Msg LoadFixedPalette(const std::filesystem::path& dir, std::string& name,
                     std::array<Rgb, N>& palette, const std::array<Rgb, N>& builtIn,
                     Msg shortFileMessage) {
    palette = builtIn;
    if (name.empty()) return Msg::None;
    // A stored name that is a path would read a file from anywhere: it is treated as a
    // palette file that is not there.
    if (!IsPaletteName(name)) {
        name.clear();
        return Msg::None;
    }

    const ActReadResult result = ReadActFile(PaletteFilePath(dir, name));
    switch (result.status) {
        case ActReadStatus::Ok:
            CopyEntries(result.bytes, palette);
            return Msg::None;
        case ActReadStatus::CannotOpen:
            // A palette file deleted since it was chosen falls back without a word.
            name.clear();
            return Msg::None;
        case ActReadStatus::TooShort:
            name.clear();
            return shortFileMessage;
    }
    return Msg::None;
}

}  // namespace

ActReadResult ReadActFile(const std::filesystem::path& path) {
    ActReadResult result;
    // Only a regular file can be a palette file: opening a directory succeeds on some
    // systems and only the read fails, and a named pipe or a device could block for ever.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        return result;
    }

    std::ifstream file(path, std::ios::binary);
    if (!file) return result;

    file.read(reinterpret_cast<char*>(result.bytes.data()),
              static_cast<std::streamsize>(result.bytes.size()));
    result.status = file.gcount() == static_cast<std::streamsize>(kActFileSize)
                        ? ActReadStatus::Ok
                        : ActReadStatus::TooShort;
    return result;
}

ActBytes EncodeActPalette(std::span<const Rgb> colors) {
    ActBytes bytes{};
    const std::size_t count = std::min<std::size_t>(colors.size(), kActFileSize / 3);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[3 * i] = colors[i].red;
        bytes[3 * i + 1] = colors[i].green;
        bytes[3 * i + 2] = colors[i].blue;
    }
    return bytes;
}

Msg LoadFixedPalette256(const std::filesystem::path& dir, std::string& name,
                        FixedPalette256& palette) {
    return LoadFixedPalette(dir, name, palette, BuiltInPalette256(), Msg::BadPalette256);
}

Msg LoadFixedPalette16(const std::filesystem::path& dir, std::string& name,
                       FixedPalette16& palette) {
    return LoadFixedPalette(dir, name, palette, BuiltInPalette16(), Msg::BadPalette16);
}

std::filesystem::path PaletteFilePath(const std::filesystem::path& dir, const std::string& name) {
    // Names are UTF-8 (they come from the settings and the file list); going through u8string
    // keeps non-ASCII names intact where the native narrow encoding is not UTF-8.
    const std::string fileName = name + ".act";
    return dir / std::filesystem::path(std::u8string(fileName.begin(), fileName.end()));
}

bool IsPaletteName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
#ifdef _WIN32
    constexpr std::string_view kNotInAName{"/\\:\0", 4};
#else
    constexpr std::string_view kNotInAName{"/\0", 2};
#endif
    return name.find_first_of(kNotInAName) == std::string_view::npos;
}

}  // namespace tintwell
