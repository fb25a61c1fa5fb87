#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bitmap/image_format.h"
#include "palette/palette_settings.h"
#include "resources/language.h"

namespace tintwell::cli {

enum class SortOrder { None, PixelsDescending, PixelsAscending };

// What the command line asks for.
struct Options {
    std::vector<std::string> files;
    std::optional<std::string> outputDir;
    PaletteMode mode = PaletteMode::RgbBits;
    ChannelBits bits;
    std::optional<int> depth;   // default: 16 in Fixed16 mode, else 256
    Rgb keyColor{255, 0, 255};  // what pixels with alpha 0 become
    std::optional<std::string> paletteFile;
    SortOrder sort = SortOrder::None;
    std::optional<std::string> savePalette;
    std::optional<ImageFormat> format;  // --format; nothing: each file keeps its own
    std::optional<Language> language;   // --lang; default: the environment's
    bool force = false;
    bool json = false;
    bool quiet = false;
    bool help = false;
    bool version = false;

    [[nodiscard]] int OutputDepth() const {
        return depth.value_or(mode == PaletteMode::Fixed16 ? 16 : 256);
    }
};

struct ParseResult {
    Options options;
    std::string error;  // empty when the command line is good
};

// Reads the arguments after the program name. With a usage error, `options.json` still
// tells whether --json was given anywhere on the line.
[[nodiscard]] ParseResult ParseArguments(const std::vector<std::string>& args);

[[nodiscard]] const char* UsageText();

[[nodiscard]] const char* ModeName(PaletteMode mode);

}  // namespace tintwell::cli
