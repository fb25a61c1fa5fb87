// One palette file through the content decoder: whatever it holds, it is either refused
// with a reason or read as 256 entries; a read palette written in every format reads back
// as the same entries, black after the file's own.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "palette/palette_file.h"

namespace {

using namespace tintwell;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "palette_fuzzer: %s\n", what);
    std::abort();
}

bool HasSignature(const std::string& bytes) {
    const std::string head = bytes.substr(0, 32);
    return head.find("GIMP Palette") != std::string::npos ||
           head.find("JASC-PAL") != std::string::npos || head.starts_with("RIFF");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PaletteReadResult read = DecodePaletteFile(std::span(data, size));
    if (read.fault != PaletteFault::None) {
        if (PaletteFaultText(read).empty()) Fail("a refusal without a reason");
        return 0;
    }
    if (read.count > kPaletteEntries) Fail("more entries than the table");
    if (!std::all_of(read.entries.begin() + static_cast<std::ptrdiff_t>(read.count),
                     read.entries.end(), [](const Rgb& c) { return c == Rgb{}; })) {
        Fail("entries after the file's last are not black");
    }
    const std::span<const Rgb> colors(read.entries.data(), read.count);
    for (const PaletteFormat format :
         {PaletteFormat::Act, PaletteFormat::Gpl, PaletteFormat::JascPal, PaletteFormat::Hex}) {
        // An empty hex palette is an empty file, which no reader can tell from nothing.
        if (read.count == 0 && format == PaletteFormat::Hex) continue;
        const std::string bytes = EncodePaletteFile(format, colors, "fuzz");
        const PaletteReadResult back = DecodePaletteFile(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), format);
        // An .act whose first bytes spell another format's signature is that format.
        if (format == PaletteFormat::Act && back.format != PaletteFormat::Act &&
            HasSignature(bytes)) {
            continue;
        }
        if (back.fault != PaletteFault::None || back.format != format) {
            Fail("a written palette does not read back in its format");
        }
        if (back.entries != read.entries) Fail("a written palette does not keep its colors");
    }
    return 0;
}
