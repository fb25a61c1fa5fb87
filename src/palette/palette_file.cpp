#include "palette/palette_file.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <utility>

#include "palette/act_file.h"
#include "palette/gpl_file.h"
#include "palette/hex_file.h"
#include "palette/jasc_pal_file.h"

namespace tintwell {
namespace {

namespace fs = std::filesystem;

std::string_view AsText(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool StartsWith(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view text) {
    return bytes.size() >= at + text.size() && AsText(bytes).substr(at, text.size()) == text;
}

// Text whose every line is blank or an rrggbb entry, with at least one entry.
bool IsHexText(std::string_view text) {
    TextLines lines(text);
    std::string_view line;
    bool any = false;
    while (lines.Next(line)) {
        if (TrimSpace(line).empty()) continue;
        if (!IsHexEntry(line)) return false;
        any = true;
    }
    return any;
}

// Bytes a text palette may hold: no control character but tab and the line breaks.
bool IsText(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t' && c != '\r' && c != '\n') || u == 0x7F;
    });
}

bool IsBlankText(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

bool FirstLineIsHexEntry(std::string_view text) {
    TextLines lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        if (!TrimSpace(line).empty()) return IsHexEntry(line);
    }
    return false;
}

PaletteReadResult Fault(PaletteFault fault, PaletteFormat format, std::size_t line = 0) {
    PaletteReadResult result;
    result.fault = fault;
    result.format = format;
    result.line = line;
    return result;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
               return lower(x) == lower(y);
           });
}

std::string Utf8Name(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Both loaders: the built-in table first, so every failure leaves it in place.
template <std::size_t N>
Msg LoadFixedPalette(const fs::path& dir, std::string& name, std::array<Rgb, N>& palette,
                     const std::array<Rgb, N>& builtIn, Msg badFileMessage) {
    static_assert(N <= kPaletteEntries);
    palette = builtIn;
    if (name.empty()) return Msg::None;
    // A stored name that is a path would read a file from anywhere: it is treated as a
    // palette file that is not there.
    if (!IsPaletteName(name)) {
        name.clear();
        return Msg::None;
    }
    const PaletteReadResult result = ReadPaletteFile(PaletteFilePath(dir, name));
    switch (result.fault) {
        case PaletteFault::None:
            std::copy_n(result.entries.begin(), N, palette.begin());
            return Msg::None;
        case PaletteFault::CannotOpen:
            // A palette file deleted since it was chosen falls back without a word.
            name.clear();
            return Msg::None;
        default:
            name.clear();
            return badFileMessage;
    }
}

}  // namespace

PaletteReadResult DecodePaletteFile(std::span<const std::uint8_t> bytes,
                                    std::optional<PaletteFormat> named) {
    if (bytes.size() > kMaxPaletteFileSize)
        return Fault(PaletteFault::TooLarge, PaletteFormat::Act);
    if (StartsWith(bytes, 0, "RIFF") && StartsWith(bytes, 8, "PAL ")) {
        return Fault(PaletteFault::RiffPalette, PaletteFormat::JascPal);
    }
    const std::string_view text = AsText(bytes);
    std::string_view first;
    TextLines lines(text);
    const std::string_view firstLine = lines.Next(first) ? TrimSpace(first) : std::string_view();

    PaletteReadResult result;
    DecodedPalette decoded;
    if (firstLine == kGplSignature) {
        result.format = PaletteFormat::Gpl;
        decoded = DecodeGpl(text);
    } else if (firstLine == kJascSignature) {
        result.format = PaletteFormat::JascPal;
        decoded = DecodeJascPal(text);
    } else if (named == PaletteFormat::Act && bytes.size() >= kActFileSize) {
        result.format = PaletteFormat::Act;
        decoded = DecodeAct(bytes);
    } else if (IsBlankText(text)) {
        return Fault(PaletteFault::NoColors, named.value_or(PaletteFormat::Hex));
    } else if (IsHexText(text) || (bytes.size() < kActFileSize && FirstLineIsHexEntry(text)) ||
               (named == PaletteFormat::Hex && IsText(text))) {
        // Text named .hex is a hex palette whatever its first line holds, so the line that
        // is not a color is the one named.
        result.format = PaletteFormat::Hex;
        decoded = DecodeHex(text);
    } else {
        result.format = PaletteFormat::Act;
        decoded = DecodeAct(bytes);
    }
    // A header without entries (GIMP), a count of 0 (JASC-PAL) would turn every pixel black.
    result.fault = decoded.fault == PaletteFault::None && decoded.colors.empty()
                       ? PaletteFault::NoColors
                       : decoded.fault;
    result.line = decoded.line;
    if (result.fault != PaletteFault::None) return result;
    result.count = decoded.colors.size();
    std::copy(decoded.colors.begin(), decoded.colors.end(), result.entries.begin());
    return result;
}

PaletteReadResult ReadPaletteFile(const fs::path& path) {
    // Only a regular file can be a palette file: opening a folder succeeds on some systems
    // and only the read fails, and a named pipe or a device could block for ever.
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::is_regular_file(status)) return Fault(PaletteFault::CannotOpen, PaletteFormat::Act);

    std::ifstream file(path, std::ios::binary);
    if (!file) return Fault(PaletteFault::CannotOpen, PaletteFormat::Act);
    // One byte past the limit tells a file that is too large from one that just fits.
    std::vector<std::uint8_t> bytes(kMaxPaletteFileSize + 1);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (file.bad()) return Fault(PaletteFault::CannotOpen, PaletteFormat::Act);
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return DecodePaletteFile(bytes, PaletteFormatOfExtension(Utf8Name(path.filename())));
}

std::string PaletteFaultText(const PaletteReadResult& result) {
    const std::string line = "line " + std::to_string(result.line);
    switch (result.fault) {
        case PaletteFault::None:
            return {};
        case PaletteFault::CannotOpen:
            return "cannot be opened";
        case PaletteFault::TooShort:
            return "shorter than the 768 bytes of an .act palette, and no GIMP, JASC-PAL or "
                   "hex palette either";
        case PaletteFault::TooLarge:
            return "larger than 1 MiB: not a palette file";
        case PaletteFault::TooManyEntries:
            return "more than 256 colors (" + line + ")";
        case PaletteFault::BadEntry:
            switch (result.format) {
                case PaletteFormat::Gpl:
                    return "GIMP palette: " + line + " is not 'red green blue name' (0..255)";
                case PaletteFormat::JascPal:
                    return "JASC-PAL palette: " + line + " is not what the format has there";
                case PaletteFormat::Hex:
                    return "hex palette: " + line + " is not an rrggbb color";
                case PaletteFormat::Act:
                    break;
            }
            return line + " is not a palette entry";
        case PaletteFault::NoColors:
            return "holds no colors";
        case PaletteFault::RiffPalette:
            return "a RIFF (Microsoft) palette, which is not read: save it as JASC-PAL text, "
                   ".gpl, .hex or .act";
    }
    return {};
}

std::optional<PaletteFormat> PaletteFormatOfExtension(std::string_view fileName) {
    for (const PaletteFormat format :
         {PaletteFormat::Act, PaletteFormat::Gpl, PaletteFormat::JascPal, PaletteFormat::Hex}) {
        const std::string_view extension = PaletteExtension(format);
        if (fileName.size() > extension.size() &&
            EqualsIgnoringCase(fileName.substr(fileName.size() - extension.size()), extension)) {
            return format;
        }
    }
    return std::nullopt;
}

std::string_view PaletteExtension(PaletteFormat format) {
    switch (format) {
        case PaletteFormat::Act:
            return ".act";
        case PaletteFormat::Gpl:
            return ".gpl";
        case PaletteFormat::JascPal:
            return ".pal";
        case PaletteFormat::Hex:
            return ".hex";
    }
    return ".act";
}

std::string EncodePaletteFile(PaletteFormat format, std::span<const Rgb> colors,
                              std::string_view name) {
    switch (format) {
        case PaletteFormat::Gpl:
            return EncodeGpl(colors, name);
        case PaletteFormat::JascPal:
            return EncodeJascPal(colors);
        case PaletteFormat::Hex:
            return EncodeHex(colors);
        case PaletteFormat::Act:
            break;
    }
    const ActBytes bytes = EncodeActPalette(colors);
    return std::string(bytes.begin(), bytes.end());
}

Msg LoadFixedPalette256(const fs::path& dir, std::string& name, FixedPalette256& palette) {
    return LoadFixedPalette(dir, name, palette, BuiltInPalette256(), Msg::BadPalette256);
}

Msg LoadFixedPalette16(const fs::path& dir, std::string& name, FixedPalette16& palette) {
    return LoadFixedPalette(dir, name, palette, BuiltInPalette16(), Msg::BadPalette16);
}

fs::path PaletteFilePath(const fs::path& dir, const std::string& name) {
    const std::optional<PaletteFormat> format = PaletteFormatOfExtension(name);
    const bool wholeName = format && *format != PaletteFormat::Act;
    // Names are UTF-8 (they come from the settings and the file list); going through u8string
    // keeps non-ASCII names intact where the native narrow encoding is not UTF-8.
    const auto inDir = [&dir](const std::string& fileName) {
        return dir / fs::path(std::u8string(fileName.begin(), fileName.end()));
    };
    if (wholeName) return inDir(name);
    const fs::path act = inDir(name + ".act");
    std::error_code ec;
    if (!IsPaletteName(name) || fs::exists(act, ec)) return act;
    // The title's file with ".act" in other letters, tried in every letter case (8 names)
    // rather than by listing a folder that may be large.
    for (unsigned upper = 1; upper < 8; ++upper) {
        std::string fileName = name + ".act";
        for (unsigned k = 0; k < 3; ++k) {
            if ((upper >> k & 1U) != 0) fileName[fileName.size() - 3 + k] -= 'a' - 'A';
        }
        if (fs::path other = inDir(fileName); fs::is_regular_file(other, ec)) return other;
    }
    return act;
}

std::optional<std::string> PaletteNameOfFile(std::string_view fileName) {
    const std::optional<PaletteFormat> format = PaletteFormatOfExtension(fileName);
    if (!format) return std::nullopt;
    if (*format != PaletteFormat::Act) return std::string(fileName);
    const std::string_view title = fileName.substr(0, fileName.size() - 4);
    const std::optional<PaletteFormat> inner = PaletteFormatOfExtension(title);
    if (inner && *inner != PaletteFormat::Act) return std::nullopt;
    return std::string(title);
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

std::vector<std::string> PaletteNamesInFolder(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::optional<std::string> name = PaletteNameOfFile(Utf8Name(it->path().filename()));
        std::error_code kindError;
        if (name && it->is_regular_file(kindError)) names.push_back(std::move(*name));
    }
    // "x.act" and "x.ACT" side by side are one name (PaletteFilePath takes the first).
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}  // namespace tintwell
