#include "app/cli_options.h"

#include "palette/palette_file.h"

#include <string>
#include <string_view>
#include <utility>

#include "app/cli_option_values.h"
#include "jobs/file_paths.h"

namespace tintwell::cli {
namespace {

// A palette file to read: the workspace finds it by its palette name, so its name must
// give one.
bool NamesPaletteToRead(const std::string& path) {
    return PaletteNameOfFile(Utf8FromPath(PathFromUtf8(path).filename())).has_value();
}

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
    {"", "--format", true,
     [](Parsed& p, const std::string& v) -> std::string {
         if (v == "same") {
             p.options.format.reset();
         } else if (v == "bmp") {
             p.options.format = ImageFormat::Bmp;
         } else if (v == "png") {
             p.options.format = ImageFormat::Png;
         } else {
             return "unknown format '" + v + "' (same, bmp or png)";
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

bool IsJsonOption(const OptionSpec& spec) {
    return std::string_view(spec.longName) == "--json";
}

// Reads every argument; after the first usage error the rest is only looked through for
// --json, so that the error is reported in the form asked for wherever --json stands.
// --help and --version may be set in the result along with an error: ParseArguments
// settles which wins.
ParseResult Parse(const std::vector<std::string>& rawArgs) {
    const std::vector<std::string> args = SplitGroupedFlags(rawArgs);
    Parsed parsed;
    ParseResult result;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
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
        std::string error;
        if (spec == nullptr) {
            error = "unknown option " + name;
        } else if (!spec->takesValue && inlineValue) {
            error = "option " + name + " takes no value";
        } else if (spec->takesValue && !inlineValue && i + 1 >= args.size()) {
            error = "option " + name + " needs a value";
        } else {
            const std::string value =
                spec->takesValue ? (inlineValue ? *inlineValue : args[++i]) : std::string();
            if (result.error.empty() || IsJsonOption(*spec)) error = spec->apply(parsed, value);
        }
        if (result.error.empty()) result.error = std::move(error);
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
