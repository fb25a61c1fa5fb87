#include "app/cli_options.h"

#include "palette/palette_file.h"

#include <charconv>
#include <string>
#include <string_view>
#include <utility>

#include "jobs/file_paths.h"

namespace tintwell::cli {
namespace {

bool ParseInt(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc{} && ptr == end && !text.empty();
}

// "5" sets all three channels; "5,6,5" sets red, green, blue. Each is 1..8.
bool ParseBits(std::string_view text, ChannelBits& bits) {
    int values[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
        const std::size_t comma = text.find(',');
        if (!ParseInt(text.substr(0, comma), values[count])) return false;
        if (values[count] < 1 || values[count] > 8) return false;
        ++count;
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
        if (count == 3) return false;
    }
    if (count == 1) values[1] = values[2] = values[0];
    if (count == 2) return false;
    bits = {values[0], values[1], values[2]};
    return true;
}

// "R,G,B" with each 0..255, or six hex digits "rrggbb" (a leading '#' allowed).
bool ParseKeyColor(std::string_view text, Rgb& color) {
    int values[3] = {0, 0, 0};
    if (text.starts_with('#')) text.remove_prefix(1);
    if (text.size() == 6 && text.find(',') == std::string_view::npos) {
        for (int i = 0; i < 3; ++i) {
            const char* at = text.data() + 2 * i;
            auto [ptr, ec] = std::from_chars(at, at + 2, values[i], 16);
            if (ec != std::errc{} || ptr != at + 2) return false;
        }
    } else {
        for (int i = 0; i < 3; ++i) {
            const std::size_t comma = text.find(',');
            if ((comma == std::string_view::npos) != (i == 2)) return false;
            if (!ParseInt(text.substr(0, comma), values[i])) return false;
            if (values[i] < 0 || values[i] > 255) return false;
            text.remove_prefix(i == 2 ? text.size() : comma + 1);
        }
    }
    color = {static_cast<std::uint8_t>(values[0]), static_cast<std::uint8_t>(values[1]),
             static_cast<std::uint8_t>(values[2])};
    return true;
}

// Short flags may be grouped as usual: "-fq" is "-f -q", and "-fqo out" is "-f -q -o out".
// Grouping stops at the first letter that is not a flag, which takes the rest as its value.
std::vector<std::string> SplitGroupedFlags(const std::vector<std::string>& args) {
    constexpr std::string_view kFlags = "fqh";
    std::vector<std::string> split;
    bool onlyFiles = false;
    for (const std::string& arg : args) {
        if (arg == "--") onlyFiles = true;
        if (onlyFiles || arg.size() < 3 || arg[0] != '-' || arg[1] == '-' ||
            kFlags.find(arg[1]) == std::string_view::npos) {
            split.push_back(arg);
            continue;
        }
        std::size_t k = 1;
        while (k + 1 < arg.size() && kFlags.find(arg[k]) != std::string_view::npos) {
            split.push_back(std::string("-") + arg[k]);
            ++k;
        }
        std::string rest = "-";
        rest.append(arg, k);
        split.push_back(std::move(rest));
    }
    return split;
}

// A palette file to read: found by its palette name, which is an .act file's title or
// another format's whole name, so ".act" must be in lower case (see PaletteFilePath).
bool NamesPaletteToRead(const std::string& path) {
    const std::optional<PaletteFormat> format = PaletteFormatOfExtension(path);
    return format &&
           (*format != PaletteFormat::Act || path.compare(path.size() - 4, 4, ".act") == 0);
}

}  // namespace

const char* UsageText() {
    return R"(Usage: tintwell-cli [options] FILE...
Collects every color that the BMP files use into one common palette and, with -o,
writes each file again as a 4- or 8-bit BMP whose palette is that common palette.

  -o, --output DIR       write every accepted file into DIR (created if missing),
                         remapped to the common palette
  -m, --mode MODE        rgb (bit reduction, default) | fixed256 | fixed16
  -b, --bits R,G,B       bits kept per channel in rgb mode, 1..8; one number sets
                         all three (default 8)
  -d, --depth N          16 or 256 palette entries in the output (default 256;
                         16 in fixed16 mode)
      --key-color COLOR  the color of transparent pixels (alpha 0) in 16- and 32-bit
                         files: R,G,B or rrggbb (default 255,0,255)
  -p, --palette FILE     palette file for the fixed modes: .act, GIMP .gpl, JASC-PAL
                         .pal or .hex (default: the built-in palette)
      --sort ORDER       none (default: order of first appearance) | pixels (most
                         pixels first) | pixels-asc
      --save-palette F   write the common palette to F in the format its extension
                         names: .act (768 bytes), .gpl, .pal (JASC-PAL) or .hex
  -f, --force            overwrite existing output files (otherwise they are left
                         alone and reported)
      --json             print the result as JSON on standard output
      --lang LANG        ja | en: the language of the messages about files
                         (default: from LANGUAGE, LC_ALL, LC_MESSAGES, LANG)
  -q, --quiet            print no summary and no progress
  -h, --help             show this text
      --version          show the version

Files are taken in base-name order; only .bmp files are read, a later file with
the same base name (ignoring case) is skipped, and at most 128 files are taken.
A palette file given with -p is read by its content: a 768-byte .act (or 772
with a count), a GIMP, JASC-PAL or hex palette; a palette of fewer than 256
colors is filled up with black. A file that is none of these, or holds more
than 256 colors, stops the run rather than falling back to the built-in palette. Writing stops at a file that
cannot be opened or created, or whose output would be the file itself; the
files after it are not written and no palette file is saved.

Exit status: 0 everything done; 1 some file refused, skipped as existing, or
failed (the rest done); 2 usage error or nothing could be done.

Example:
  tintwell-cli -b 5 --sort pixels -o out/ --save-palette game.act sprites/*.bmp
)";
}

const char* ModeName(PaletteMode mode) {
    switch (mode) {
        case PaletteMode::Fixed256:
            return "fixed256";
        case PaletteMode::Fixed16:
            return "fixed16";
        case PaletteMode::RgbBits:
            break;
    }
    return "rgb";
}

namespace {

// The options read so far.
struct Parsed {
    Options options;
    bool bitsGiven = false;
};

// One option: its names, whether it takes a value, and what it does with the value; the
// result is the usage error, empty when the value is good.
struct OptionSpec {
    const char* shortName;  // "" when there is none
    const char* longName;
    bool takesValue;
    std::string (*apply)(Parsed& parsed, const std::string& value);
};

const OptionSpec kOptions[] = {
    {"-o", "--output", true,
     [](Parsed& p, const std::string& v) -> std::string {
         if (v.empty()) return "the output folder is empty";
         p.options.outputDir = v;
         return {};
     }},
    {"-m", "--mode", true,
     [](Parsed& p, const std::string& v) -> std::string {
         if (v == "rgb") {
             p.options.mode = PaletteMode::RgbBits;
         } else if (v == "fixed256") {
             p.options.mode = PaletteMode::Fixed256;
         } else if (v == "fixed16") {
             p.options.mode = PaletteMode::Fixed16;
         } else {
             return "unknown mode '" + v + "' (rgb, fixed256 or fixed16)";
         }
         return {};
     }},
    {"-b", "--bits", true,
     [](Parsed& p, const std::string& v) -> std::string {
         if (!ParseBits(v, p.options.bits))
             return "bits must be one number or three (R,G,B), each 1..8: '" + v + "'";
         p.bitsGiven = true;
         return {};
     }},
    {"-d", "--depth", true,
     [](Parsed& p, const std::string& v) -> std::string {
         int depth = 0;
         if (!ParseInt(v, depth) || (depth != 16 && depth != 256))
             return "depth must be 16 or 256: '" + v + "'";
         p.options.depth = depth;
         return {};
     }},
    {"", "--key-color", true,
     [](Parsed& p, const std::string& v) -> std::string {
         if (!ParseKeyColor(v, p.options.keyColor))
             return "key color must be R,G,B (each 0..255) or rrggbb: '" + v + "'";
         return {};
     }},
    {"-p", "--palette", true,
     [](Parsed& p, const std::string& v) -> std::string {
         p.options.paletteFile = v;
         return {};
     }},
    {"", "--sort", true,
     [](Parsed& p, const std::string& v) -> std::string {
         if (v == "none") {
             p.options.sort = SortOrder::None;
         } else if (v == "pixels") {
             p.options.sort = SortOrder::PixelsDescending;
         } else if (v == "pixels-asc") {
             p.options.sort = SortOrder::PixelsAscending;
         } else {
             return "unknown sort order '" + v + "' (none, pixels or pixels-asc)";
         }
         return {};
     }},
    {"", "--save-palette", true,
     [](Parsed& p, const std::string& v) -> std::string {
         if (v.empty()) return "the palette file name is empty";
         p.options.savePalette = v;
         return {};
     }},
    {"", "--lang", true,
     [](Parsed& p, const std::string& v) -> std::string {
         if (v != "ja" && v != "en") return "unknown language '" + v + "' (ja or en)";
         p.options.language = LanguageOfCode(v);
         return {};
     }},
    {"-f", "--force", false,
     [](Parsed& p, const std::string&) -> std::string {
         p.options.force = true;
         return {};
     }},
    {"", "--json", false,
     [](Parsed& p, const std::string&) -> std::string {
         p.options.json = true;
         return {};
     }},
    {"-q", "--quiet", false,
     [](Parsed& p, const std::string&) -> std::string {
         p.options.quiet = true;
         return {};
     }},
    {"-h", "--help", false,
     [](Parsed& p, const std::string&) -> std::string {
         p.options.help = true;
         return {};
     }},
    {"", "--version", false,
     [](Parsed& p, const std::string&) -> std::string {
         p.options.version = true;
         return {};
     }},
};

const OptionSpec* FindOption(const std::string& name) {
    for (const OptionSpec& spec : kOptions) {
        if (name == spec.shortName || name == spec.longName) return &spec;
    }
    return nullptr;
}

// The usage error of options that do not go together, or of no files; empty when none.
std::string CombinationError(const Parsed& p) {
    const Options& o = p.options;
    // Asking for help or the version needs no files, but it excuses nothing else.
    if (o.files.empty() && !o.help && !o.version) return "no input files";
    if (o.mode != PaletteMode::RgbBits && p.bitsGiven) return "--bits works in rgb mode only";
    // Palette files are found by their palette name, as the window finds them.
    if (o.paletteFile && !NamesPaletteToRead(*o.paletteFile))
        return "--palette takes a file whose name ends in .act, .gpl, .pal or .hex";
    // A palette name forgotten before the file list would otherwise take the first bitmap's
    // path and overwrite it.
    if (o.savePalette && !PaletteFormatOfExtension(*o.savePalette))
        return "--save-palette takes a file whose name ends in .act, .gpl, .pal or .hex";
    if (o.mode == PaletteMode::RgbBits && o.paletteFile)
        return "--palette works in the fixed modes only (-m fixed256 or fixed16)";
    if (o.mode != PaletteMode::RgbBits && o.sort != SortOrder::None)
        return "--sort works in rgb mode only: a fixed palette keeps its own order";
    return {};
}

// Reads every argument; stops at the first usage error. --help and --version may be set in
// the result along with an error: ParseArguments settles which wins.
ParseResult Parse(const std::vector<std::string>& rawArgs) {
    const std::vector<std::string> args = SplitGroupedFlags(rawArgs);
    Parsed parsed;
    ParseResult result;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size() && result.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            parsed.options.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        // "--name=value" and "-xVALUE" carry their value; otherwise it is the next argument.
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
        } else if (arg.size() > 2) {
            name = arg.substr(0, 2);
            inlineValue = arg.substr(2);
        }
        const OptionSpec* spec = FindOption(name);
        if (spec == nullptr) {
            result.error = "unknown option " + name;
        } else if (!spec->takesValue && inlineValue) {
            result.error = "option " + name + " takes no value";
        } else if (spec->takesValue && !inlineValue && i + 1 >= args.size()) {
            result.error = "option " + name + " needs a value";
        } else {
            const std::string value =
                spec->takesValue ? (inlineValue ? *inlineValue : args[++i]) : std::string();
            result.error = spec->apply(parsed, value);
        }
    }
    if (result.error.empty()) result.error = CombinationError(parsed);
    result.options = std::move(parsed.options);
    return result;
}

}  // namespace

// A usage error wins over --help and --version wherever it stands: "-h --bogus" fails as
// "--bogus -h" does, so a mistyped command line is never taken for a good one.
ParseResult ParseArguments(const std::vector<std::string>& args) {
    ParseResult result = Parse(args);
    if (!result.error.empty()) {
        result.options.help = false;
        result.options.version = false;
    }
    return result;
}

}  // namespace tintwell::cli
