// Throughput of the analyser (scan and map) and of the writer on 1024 x 1024 bitmaps held in
// memory, so the numbers are the engine's and not the disk's. Bytes per second count the
// input file's bytes.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <istream>
#include <map>
#include <ostream>
#include <span>
#include <streambuf>
#include <vector>

#include "bitmap/analyser.h"
#include "bitmap/writer.h"
#include "palette/color_table.h"
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

const std::vector<std::uint8_t>& Input(int bits) {
    static std::map<int, std::vector<std::uint8_t>> inputs;
    auto found = inputs.find(bits);
    if (found == inputs.end()) found = inputs.emplace(bits, MakeInput(bits)).first;
    return found->second;
}

// One file's analysis with the table kept between iterations, as when a batch of files
// that share their colors is read: after the first pass every color is found, not added.
void BM_Analyse(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = Input(static_cast<int>(state.range(0)));
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
BENCHMARK(BM_Analyse)->ArgName("bits")->Arg(4)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);

// Writing one file with the common palette of its own colors, at 16 or 256 entries.
void BM_Write(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = Input(static_cast<int>(state.range(0)));
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
        if (WriteBitmap(in, out, palette, outputMap) != Msg::None) {
            state.SkipWithError("the writer failed");
            break;
        }
        benchmark::DoNotOptimize(output.Data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.counters["output_bytes"] = static_cast<double>(output.Size());
}
BENCHMARK(BM_Write)
    ->ArgNames({"bits", "depth"})
    ->Args({4, 16})
    ->Args({4, 256})
    ->Args({8, 256})
    ->Args({24, 256})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
