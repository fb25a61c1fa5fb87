// Throughput of the analyser (scan and map) and of the writer on 1024 x 1024 bitmaps and PNG
// images held in memory, so the numbers are the engine's and not the disk's. Bytes per
// second count the input file's bytes. BM_EncodePng (our encoder, through the PNG writer),
// BM_ZlibImageData and BM_LibdeflateImageData compress the same image rows, side by side in
// time and output size, on sprites and on photos.

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <istream>
#include <map>
#include <ostream>
#include <span>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "bitmap/analyser.h"
#include "bitmap/png_writer.h"
#include "bitmap/writer.h"
#include "palette/color_table.h"
#include "palette/fixed_palettes.h"
#include "synthetic_bitmap.h"

namespace {

using namespace tintwell;
using namespace tintwell::synthetic;

constexpr int kSide = 1024;

// Reads bytes where they lie, so an iteration copies nothing before the engine starts.
class SpanReadBuf : public std::streambuf {
  public:
    explicit SpanReadBuf(std::span<const std::uint8_t> bytes) {
        // The get area is only read; streambuf just wants non-const pointers.
        char* begin = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
        setg(begin, begin, begin + bytes.size());
    }

  protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                     std::ios_base::openmode which) override {
        const off_type base = dir == std::ios_base::beg   ? 0
                              : dir == std::ios_base::cur ? gptr() - eback()
                                                          : egptr() - eback();
        return seekpos(pos_type(base + off), which);
    }

    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
        const auto at = static_cast<off_type>(pos);
        if (!(which & std::ios_base::in) || at < 0 || at > egptr() - eback()) {
            return pos_type(off_type(-1));
        }
        setg(eback(), eback() + at, egptr());
        return pos;
    }
};

// Collects written bytes in storage that keeps its capacity between iterations. The writer
// goes back to fill in the file size, so seeking within what was written works.
class ReusedWriteBuf : public std::streambuf {
  public:
    explicit ReusedWriteBuf(std::size_t capacity) : storage_(capacity) { Reset(); }

    void Reset() {
        setp(storage_.data(), storage_.data() + storage_.size());
        written_ = 0;
    }

    [[nodiscard]] std::size_t Size() const {
        return std::max(written_, static_cast<std::size_t>(pptr() - pbase()));
    }
    [[nodiscard]] const char* Data() const { return storage_.data(); }

  protected:
    int_type overflow(int_type ch) override {
        if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
        const auto at = static_cast<std::size_t>(pptr() - pbase());
        written_ = std::max(written_, at);
        storage_.resize(std::max<std::size_t>(storage_.size() * 2, 4096));
        PutAt(at);
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
        return ch;
    }

    pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                     std::ios_base::openmode which) override {
        const off_type base = dir == std::ios_base::beg   ? 0
                              : dir == std::ios_base::cur ? pptr() - pbase()
                                                          : static_cast<off_type>(Size());
        return seekpos(pos_type(base + off), which);
    }

    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
        const auto at = static_cast<off_type>(pos);
        if (!(which & std::ios_base::out) || at < 0 || at > static_cast<off_type>(Size())) {
            return pos_type(off_type(-1));
        }
        written_ = Size();
        PutAt(static_cast<std::size_t>(at));
        return pos;
    }

  private:
    void PutAt(std::size_t at) {
        setp(storage_.data(), storage_.data() + storage_.size());
        pbump(static_cast<int>(at));
    }

    std::vector<char> storage_;
    std::size_t written_ = 0;  // the end of the data, while the put pointer stands before it
};

// The input file at 4, 8 or 24 bits: 8 x 8 tiles and 2 % single-pixel noise. The 8- and
// 24-bit files tile ~50 colors and draw the noise from 200, so noise brings new colors in;
// the 4-bit file uses all 16 entries.
std::vector<std::uint8_t> MakeInput(int bits) {
    Random random(0xB17B17 + static_cast<std::uint64_t>(bits));
    Picture picture;
    picture.width = kSide;
    picture.height = kSide;
    picture.bitCount = static_cast<std::uint16_t>(bits);

    const int paletteSize = bits == 4 ? 16 : 256;
    const std::vector<Rgb> colors = DistinctColors(paletteSize, random);
    std::vector<std::uint32_t> noiseValues;
    for (std::uint32_t i = 0; i < (bits == 4 ? 16u : 200u); ++i)
        noiseValues.push_back(i);
    const std::span<const std::uint32_t> tileValues(noiseValues.data(), bits == 4 ? 16 : 50);

    picture.pixels = TiledWithNoise(kSide, kSide, 8, tileValues, noiseValues, 0.02, random);
    if (bits == 24) {
        for (std::uint32_t& p : picture.pixels)
            p = Pack(colors[p]);
    } else {
        picture.palette = colors;
    }
    return EncodeBmp(picture);
}

// A 24-bit bitmap as an RGB PNG image (8 bits a sample), top row first.
std::vector<std::uint8_t> RgbPng(const std::vector<std::uint8_t>& bmp) {
    const std::int32_t width = readI32le(bmp, 18);
    const std::int32_t height = readI32le(bmp, 22);
    const std::size_t stride = RowStride(width, 24);
    const auto w = static_cast<std::size_t>(width);
    std::vector<std::uint8_t> rgb(w * 3 * static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = bmp.data() + readU32le(bmp, 10) + (height - 1 - y) * stride;
        for (std::size_t x = 0; x < w; ++x) {
            std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * w + x) * 3;
            p[0] = row[3 * x + 2];
            p[1] = row[3 * x + 1];
            p[2] = row[3 * x];
        }
    }
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_ihdr ihdr{static_cast<std::uint32_t>(width),
                   static_cast<std::uint32_t>(height),
                   8,
                   SPNG_COLOR_TYPE_TRUECOLOR,
                   0,
                   0,
                   0};
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_ihdr(ctx, &ihdr);
    spng_encode_image(ctx, rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    std::size_t size = 0;
    int error = 0;
    auto* png = static_cast<std::uint8_t*>(spng_get_png_buffer(ctx, &size, &error));
    std::vector<std::uint8_t> bytes(png, png + size);
    free(png);
    spng_ctx_free(ctx);
    return bytes;
}

// `bytes` written by the engine in `format` with the palette of its own colors.
std::vector<std::uint8_t> Rewritten(const std::vector<std::uint8_t>& bytes, ImageFormat format) {
    ColorTable table;
    IndexMap indexMap{};
    IndexCounts counts{};
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    const BitmapScan scan = ScanBitmap(in, TrueColorRuleFor(PaletteSettings{}, table));
    MapScan(scan, PaletteSettings{}, table, indexMap, counts);
    std::istringstream again(std::string(bytes.begin(), bytes.end()));
    std::ostringstream out;
    const std::vector<Rgb> colors = table.Palette();
    if (WriteBitmap(again, out, OutputPalette{colors, 256}, table.BuildOutputIndexMap(indexMap),
                    scan.rule, format) != Msg::None) {
        return {};
    }
    const std::string s = out.str();
    return {s.begin(), s.end()};
}

// The input file: a bitmap at 4, 8 or 24 bits, or (`png`) the same as a PNG image, indexed
// for 4 and 8 bits, RGB for 24.
const std::vector<std::uint8_t>& Input(int bits, bool png = false) {
    static std::map<std::pair<int, bool>, std::vector<std::uint8_t>> inputs;
    auto found = inputs.find({bits, png});
    if (found != inputs.end()) return found->second;
    std::vector<std::uint8_t> bytes = MakeInput(bits);
    if (png) bytes = bits == 24 ? RgbPng(bytes) : Rewritten(bytes, ImageFormat::Png);
    return inputs.emplace(std::pair(bits, png), std::move(bytes)).first->second;
}

// One file's analysis with the table kept between iterations, as when a batch of files
// that share their colors is read: after the first pass every color is found, not added.
void BM_Analyse(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes =
        Input(static_cast<int>(state.range(0)), state.range(1) != 0);
    const PaletteSettings settings;
    ColorTable table;
    IndexMap indexMap{};
    IndexCounts indexCounts{};
    for (auto _ : state) {
        SpanReadBuf buffer(bytes);
        std::istream in(&buffer);
        const BitmapScan scan = ScanBitmap(in);
        if (scan.error != Msg::None) {
            state.SkipWithError("the analyser refused the input");
            break;
        }
        indexMap.fill(0);
        indexCounts.fill(0);
        MapScan(scan, settings, table, indexMap, indexCounts);
        benchmark::DoNotOptimize(indexCounts.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_Analyse)
    ->ArgNames({"bits", "png"})
    ->ArgsProduct({{4, 8, 24}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Writing one file with the common palette of its own colors, at 16 or 256 entries, as a
// bitmap from a bitmap, or (`png`) as PNG from the same image as PNG.
void BM_Write(benchmark::State& state) {
    const bool png = state.range(2) != 0;
    const std::vector<std::uint8_t>& bytes = Input(static_cast<int>(state.range(0)), png);
    const PaletteSettings settings;
    ColorTable table;
    IndexMap indexMap{};
    IndexCounts indexCounts{};
    {
        SpanReadBuf buffer(bytes);
        std::istream in(&buffer);
        if (AnalyseBitmap(in, settings, table, indexMap, indexCounts) != Msg::None) {
            state.SkipWithError("the analyser refused the input");
            return;
        }
    }
    const std::vector<Rgb> colors = table.Palette();
    const OutputIndexMap outputMap = table.BuildOutputIndexMap(indexMap);
    const OutputPalette palette{colors, static_cast<int>(state.range(1))};
    ReusedWriteBuf output(bytes.size());

    for (auto _ : state) {
        SpanReadBuf buffer(bytes);
        std::istream in(&buffer);
        output.Reset();
        std::ostream out(&output);
        if (WriteBitmap(in, out, palette, outputMap, {},
                        png ? ImageFormat::Png : ImageFormat::Bmp) != Msg::None) {
            state.SkipWithError("the writer failed");
            break;
        }
        benchmark::DoNotOptimize(output.Data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.counters["output_bytes"] = static_cast<double>(output.Size());
}
BENCHMARK(BM_Write)
    ->ArgNames({"bits", "depth", "png"})
    ->ArgsProduct({{4}, {16, 256}, {0, 1}})
    ->ArgsProduct({{8, 24}, {256}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// A photo: smooth gradients with a little noise, 24 bits, numbered by the nearest color of
// the fixed 256-color palette as the fixed mode does.
std::vector<std::uint8_t> PhotoIndices() {
    Random random(0xF070);
    Picture picture;
    picture.width = kSide;
    picture.height = kSide;
    picture.bitCount = 24;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const auto jitter = [&](int v) {
                return static_cast<std::uint8_t>(
                    std::clamp(v + static_cast<int>(random.Below(17)) - 8, 0, 255));
            };
            picture.pixels.push_back(Pack({jitter(x / 4), jitter(y / 4), jitter((x + y) / 8)}));
        }
    }
    const std::vector<std::uint8_t> bmp = EncodeBmp(picture);
    ColorTable table;
    table.FillFixedPalette(BuiltInPalette256());
    PaletteSettings settings;
    settings.mode = PaletteMode::Fixed256;
    IndexMap indexMap{};
    IndexCounts counts{};
    std::istringstream in(std::string(bmp.begin(), bmp.end()));
    const BitmapScan scan = ScanBitmap(in, TrueColorRuleFor(settings, table));
    MapScan(scan, settings, table, indexMap, counts);
    std::istringstream again(std::string(bmp.begin(), bmp.end()));
    std::ostringstream out;
    const std::vector<Rgb> colors = table.Palette();
    if (WriteBitmap(again, out, OutputPalette{colors, 256}, table.BuildOutputIndexMap(indexMap),
                    scan.rule) != Msg::None) {
        return {};
    }
    const std::string s = out.str();
    return {s.begin() +
                readU32le(std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()), 10),
            s.end()};
}

// The index rows of the image kind (0 sprite: the 8-bit input's tiles and noise; 1 photo),
// bottom row first, 1024 bytes each.
const std::vector<std::uint8_t>& IndexRows(int kind) {
    static std::map<int, std::vector<std::uint8_t>> rows;
    auto found = rows.find(kind);
    if (found != rows.end()) return found->second;
    std::vector<std::uint8_t> bytes;
    if (kind == 0) {
        const std::vector<std::uint8_t>& bmp = Input(8);
        bytes.assign(bmp.begin() + readU32le(bmp, 10), bmp.end());
    } else {
        bytes = PhotoIndices();
    }
    return rows.emplace(kind, std::move(bytes)).first->second;
}

// The PNG writer alone on 1024 x 1024 index rows.
void BM_EncodePng(benchmark::State& state) {
    const std::vector<std::uint8_t>& rows = IndexRows(static_cast<int>(state.range(0)));
    std::vector<Rgb> colors(256);
    ReusedWriteBuf output(rows.size());
    for (auto _ : state) {
        output.Reset();
        std::ostream out(&output);
        PngWriter writer(out, kSide, kSide, OutputPalette{colors, 256});
        bool ok = writer.Begin() == Msg::None;
        for (int y = 0; ok && y < kSide; ++y)
            ok = writer.Write(std::span(rows).subspan(
                     static_cast<std::size_t>(kSide - 1 - y) * kSide, kSide)) == Msg::None;
        ok = ok && writer.Finish() == Msg::None;
        if (!ok) {
            state.SkipWithError("the encoder failed");
            break;
        }
        benchmark::DoNotOptimize(output.Data());
    }
    state.counters["output_bytes"] = static_cast<double>(output.Size());
}
BENCHMARK(BM_EncodePng)->ArgNames({"photo"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The index rows of `kind` with a filter-type byte before each: unfiltered (0) or with the
// row above subtracted (2), top row first, as a PNG file holds them.
std::vector<std::uint8_t> FilteredRows(int kind, std::uint8_t filter) {
    const std::vector<std::uint8_t>& rows = IndexRows(kind);
    std::vector<std::uint8_t> data;
    for (int y = 0; y < kSide; ++y) {
        const std::uint8_t* row = rows.data() + static_cast<std::size_t>(kSide - 1 - y) * kSide;
        const std::uint8_t* above = y == 0 ? nullptr : row + kSide;
        data.push_back(filter);
        for (int x = 0; x < kSide; ++x) {
            data.push_back(
                static_cast<std::uint8_t>(row[x] - (filter == 2 && above ? above[x] : 0)));
        }
    }
    return data;
}

// zlib on the same image data, for comparison, at a zlib level.
void BM_ZlibImageData(benchmark::State& state) {
    const std::vector<std::uint8_t> data =
        FilteredRows(static_cast<int>(state.range(0)), static_cast<std::uint8_t>(state.range(1)));
    std::vector<Bytef> packed(compressBound(static_cast<uLong>(data.size())));
    uLongf size = 0;
    for (auto _ : state) {
        size = static_cast<uLongf>(packed.size());
        if (compress2(packed.data(), &size, data.data(), static_cast<uLong>(data.size()),
                      static_cast<int>(state.range(2))) != Z_OK) {
            state.SkipWithError("zlib failed");
            break;
        }
        benchmark::DoNotOptimize(packed.data());
    }
    state.counters["output_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_ZlibImageData)
    ->ArgNames({"photo", "filter", "level"})
    ->ArgsProduct({{0, 1}, {0, 2}, {6, 7, 8, 9}})
    ->Unit(benchmark::kMillisecond);

// libdeflate on the unfiltered image data, a zlib stream at a libdeflate level.
void BM_LibdeflateImageData(benchmark::State& state) {
    const std::vector<std::uint8_t> data = FilteredRows(static_cast<int>(state.range(0)), 0);
    libdeflate_compressor* compressor =
        libdeflate_alloc_compressor(static_cast<int>(state.range(1)));
    std::vector<std::uint8_t> packed(libdeflate_zlib_compress_bound(compressor, data.size()));
    std::size_t size = 0;
    for (auto _ : state) {
        size = libdeflate_zlib_compress(compressor, data.data(), data.size(), packed.data(),
                                        packed.size());
        benchmark::DoNotOptimize(packed.data());
    }
    libdeflate_free_compressor(compressor);
    state.counters["output_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_LibdeflateImageData)
    ->ArgNames({"photo", "level"})
    ->ArgsProduct({{0, 1}, {6, 7, 8, 9}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
