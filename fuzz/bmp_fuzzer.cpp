// Arbitrary bytes through the whole bitmap path: scan, map into a table, write with the
// common palette, and read the output back. Any crash or sanitizer report is a finding;
// so is an output that the reader refuses, whose headers a careful reader would refuse
// (planes, sizes, offsets), or whose pixels changed color.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "bitmap/analyser.h"
#include "bitmap/bmp_header.h"
#include "bitmap/writer.h"
#include "indexed_pixels.h"
#include "output_check.h"
#include "palette/fixed_palettes.h"
#include "support/bmp_builder.h"

namespace {

using namespace tintwell;

// Inputs with more pixels than this (only run-length data claims so many in a few bytes)
// are read as far as their headers, so runs stay fast.
constexpr std::uint64_t kMaxWrittenPixels = std::uint64_t{1} << 20;

// Stops the run with a message: libFuzzer saves the input that got here.
[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "bmp_fuzzer: %s\n", what);
    std::abort();
}

std::uint32_t Key(const Rgb& c) {
    return (static_cast<std::uint32_t>(c.red) << 16) | (c.green << 8) | c.blue;
}

std::uint32_t Masked(const Rgb& c, const ChannelMask& m) {
    return Key(Rgb{static_cast<std::uint8_t>(c.red & m.red),
                   static_cast<std::uint8_t>(c.green & m.green),
                   static_cast<std::uint8_t>(c.blue & m.blue)});
}

// Scans with the mode's rule, maps into `table`, writes the input with the table's palette,
// and checks that the output is accepted, that every pixel has the color of the slot its
// file index maps to, and that this is the color the mode gives the pixel: the pixel's own
// under the masks, or its nearest fixed color.
void WriteAndCheck(const std::string& input, const PaletteSettings& settings, ColorTable& table,
                   int depth) {
    std::istringstream scanIn(input);
    const BitmapScan scan = ScanBitmap(scanIn, TrueColorRuleFor(settings, table));
    if (scan.error != Msg::None) {
        // Only RGB mode may refuse what the plain scan took: too many colors after the cut.
        if (scan.error != Msg::TooManyColors24 || settings.mode != PaletteMode::RgbBits) {
            Fail("the mode's rule refuses a file that the plain scan took");
        }
        return;
    }
    IndexMap indexMap{};
    IndexCounts counts{};
    MapScan(scan, settings, table, indexMap, counts);
    if (table.ColorCount() > depth) depth = 256;
    if (table.ColorCount() > depth) Fail("one file gave more than 256 colors");

    const std::vector<Rgb> palette = table.Palette();
    std::istringstream in(input);
    std::stringstream out;
    const Msg written = WriteBitmap(in, out, OutputPalette{palette, depth},
                                    table.BuildOutputIndexMap(indexMap), scan.rule);
    if (written != Msg::None) Fail("the writer refused a file the analyser accepted");

    const auto pixels = fuzz::IndexPixels(input, scan.rule);
    if (!pixels.ok) Fail("the rows of an accepted file do not decode again");
    const auto reference = test::DecodeBmp(std::vector<std::uint8_t>(input.begin(), input.end()));
    if (reference.ok && reference.pixels != pixels.colors) {
        Fail("the decoders disagree with the reference decoder");
    }

    const std::string output = out.str();
    if (const char* fault = fuzz::OutputHeaderFault(
            std::span(reinterpret_cast<const std::uint8_t*>(output.data()), output.size()), depth,
            pixels.width, pixels.height)) {
        Fail(fault);
    }
    std::istringstream back(output);
    const BitmapScan rescan = ScanBitmap(back);
    if (rescan.error != Msg::None) Fail("the reader refused the writer's output");
    const auto decoded = test::DecodeBmp(std::vector<std::uint8_t>(output.begin(), output.end()));
    if (!decoded.ok) Fail("the reference decoder refused the output");
    if (decoded.pixels.size() != pixels.colors.size()) Fail("the output has another shape");
    std::int64_t total = 0;
    for (std::int64_t n : rescan.useCounts)
        total += n;
    if (total != static_cast<std::int64_t>(decoded.pixels.size())) Fail("pixel count changed");

    std::unordered_map<std::uint32_t, Rgb> nearest;
    for (std::size_t i = 0; i < pixels.colors.size(); ++i) {
        const Rgb& color = pixels.colors[i];
        const ColorSlot& slot = table.Slot(indexMap[pixels.indices[i]]);
        const Rgb expected{slot.red, slot.green, slot.blue};
        if (!(decoded.pixels[i] == expected)) Fail("a pixel changed color");
        if (settings.mode == PaletteMode::RgbBits) {
            if (Masked(expected, settings.mask) != Masked(color, settings.mask)) {
                Fail("a pixel left its color under the masks");
            }
            continue;
        }
        auto [it, added] = nearest.try_emplace(Key(color));
        if (added) {
            const ColorSlot& s = table.Slot(
                table.FindNearestColor(ColorQuad{color.blue, color.green, color.red, 0}));
            it->second = Rgb{s.red, s.green, s.blue};
        }
        if (!(it->second == expected)) Fail("a pixel did not take its nearest fixed color");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::istringstream first(input);
    const HeaderResult claimed = ReadBmpHeader(first);
    if (claimed.error == Msg::None &&
        static_cast<std::uint64_t>(claimed.header.width) * claimed.header.rows >
            kMaxWrittenPixels) {
        return 0;
    }
    std::istringstream in(input);
    const BitmapScan scan = ScanBitmap(in);
    if (scan.error != Msg::None) {
        // The writer reads the same way and must refuse with the same message (a 257th
        // color is 247 on its side).
        std::istringstream again(input);
        std::ostringstream out;
        const Msg written = WriteBitmap(again, out, OutputPalette{{}, 256}, OutputIndexMap{});
        const Msg expected =
            scan.error == Msg::TooManyColors24 ? Msg::FullColorOverflow : scan.error;
        if (written != expected) Fail("writer and analyser refuse differently");
        // A true-color file of more than 256 colors still goes to the modes that take it.
        if (scan.error != Msg::TooManyColors24) return 0;
    }

    if (claimed.error != Msg::None) Fail("the header reader refused an accepted file");

    // The last two bytes pick the settings, so the corpus explores them along with the file:
    // every channel's bits 1..8 on its own.
    const std::uint8_t pick = size > 0 ? data[size - 1] : 0;
    const std::uint8_t pick2 = size > 1 ? data[size - 2] : 0;

    PaletteSettings rgb;
    rgb.mode = PaletteMode::RgbBits;
    rgb.bits = pick & 0x80 ? ChannelBits{8, 8, 8}
                           : ChannelBits{1 + (pick & 7), 1 + ((pick >> 3) & 7), 1 + (pick2 & 7)};
    rgb.mask = MaskFor(rgb.bits);
    // The tables are large (32768 slots); clearing them is far cheaper than making new ones.
    static ColorTable rgbTable;
    static ColorTable fixedTable;
    rgbTable.Clear();
    fixedTable.Clear();
    WriteAndCheck(input, rgb, rgbTable, pick & 0x40 ? 16 : 256);

    PaletteSettings fixed;
    if (pick & 0x20) {
        fixed.mode = PaletteMode::Fixed16;
        fixedTable.FillFixedPalette(BuiltInPalette16());
        WriteAndCheck(input, fixed, fixedTable, pick & 0x10 ? 16 : 256);
    } else {
        fixed.mode = PaletteMode::Fixed256;
        fixedTable.FillFixedPalette(BuiltInPalette256());
        WriteAndCheck(input, fixed, fixedTable, 256);
    }
    return 0;
}
