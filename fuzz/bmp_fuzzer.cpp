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
#include "output_check.h"
#include "palette/fixed_palettes.h"
#include "support/bmp_builder.h"

namespace {

using namespace tintwell;

// Inputs with more pixels than this are scanned but not written, so runs stay fast.
constexpr std::uint64_t kMaxWrittenPixels = std::uint64_t{1} << 20;

// Stops the run with a message: libFuzzer saves the input that got here.
[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "bmp_fuzzer: %s\n", what);
    std::abort();
}

std::uint32_t Key(const Rgb& c) {
    return (static_cast<std::uint32_t>(c.red) << 16) | (c.green << 8) | c.blue;
}

// Maps the scan into `table`, writes the input with the table's palette, and checks that
// the output is accepted and that every pixel has its slot's color.
void WriteAndCheck(const std::string& input, const BitmapScan& scan, const HeaderResult& header,
                   const PaletteSettings& settings, ColorTable& table, int depth) {
    IndexMap indexMap{};
    IndexCounts counts{};
    MapScan(scan, settings, table, indexMap, counts);
    if (table.ColorCount() > depth) depth = 256;
    if (table.ColorCount() > depth) Fail("one file gave more than 256 colors");

    const std::vector<Rgb> palette = table.Palette();
    std::istringstream in(input);
    std::stringstream out;
    const Msg written =
        WriteBitmap(in, out, OutputPalette{palette, depth}, table.BuildOutputIndexMap(indexMap));
    if (written != Msg::None) Fail("the writer refused a file the analyser accepted");

    const std::string output = out.str();
    const auto& h = header.header;
    if (const char* fault = fuzz::OutputHeaderFault(
            std::span(reinterpret_cast<const std::uint8_t*>(output.data()), output.size()), depth,
            h.width, h.height)) {
        Fail(fault);
    }
    std::istringstream back(output);
    const BitmapScan rescan = ScanBitmap(back);
    if (rescan.error != Msg::None) Fail("the reader refused the writer's output");

    // The color each input color should come out as: the color of its slot.
    std::unordered_map<std::uint32_t, Rgb> expected;
    for (int k = 0; k < kFileIndexCount; ++k) {
        if (scan.useCounts[k] == 0) continue;
        const ColorQuad q = scan.palette[k];
        const ColorSlot& slot = table.Slot(indexMap[k]);
        expected[Key(Rgb{q.red, q.green, q.blue})] = Rgb{slot.red, slot.green, slot.blue};
    }
    const auto original = test::DecodeBmp(std::vector<std::uint8_t>(input.begin(), input.end()));
    const auto decoded = test::DecodeBmp(std::vector<std::uint8_t>(output.begin(), output.end()));
    if (!original.ok) Fail("the reference decoder refused an accepted input");
    if (!decoded.ok) Fail("the reference decoder refused the output");
    if (decoded.height != original.height || decoded.width != original.width ||
        decoded.pixels.size() != original.pixels.size()) {
        Fail("the output has another shape");
    }
    std::int64_t total = 0;
    for (std::int64_t n : rescan.useCounts)
        total += n;
    if (total != static_cast<std::int64_t>(decoded.pixels.size())) Fail("pixel count changed");
    for (std::size_t i = 0; i < original.pixels.size(); ++i) {
        const auto it = expected.find(Key(original.pixels[i]));
        if (it == expected.end()) Fail("a pixel color the scan did not see");
        if (!(decoded.pixels[i] == it->second)) Fail("a pixel changed color");
        if (settings.mode == PaletteMode::RgbBits && settings.mask.red == 0xFF &&
            settings.mask.green == 0xFF && settings.mask.blue == 0xFF &&
            !(decoded.pixels[i] == original.pixels[i])) {
            Fail("a pixel changed color with all bits kept");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
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
        return 0;
    }

    std::istringstream headerIn(input);
    const HeaderResult header = ReadBmpHeader(headerIn);
    if (header.error != Msg::None) Fail("the header reader refused an accepted file");
    if (static_cast<std::uint64_t>(header.header.width) * header.header.rows > kMaxWrittenPixels) {
        return 0;
    }

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
    WriteAndCheck(input, scan, header, rgb, rgbTable, pick & 0x40 ? 16 : 256);

    PaletteSettings fixed;
    if (pick & 0x20) {
        fixed.mode = PaletteMode::Fixed16;
        fixedTable.FillFixedPalette(BuiltInPalette16());
        WriteAndCheck(input, scan, header, fixed, fixedTable, pick & 0x10 ? 16 : 256);
    } else {
        fixed.mode = PaletteMode::Fixed256;
        fixedTable.FillFixedPalette(BuiltInPalette256());
        WriteAndCheck(input, scan, header, fixed, fixedTable, 256);
    }
    return 0;
}
