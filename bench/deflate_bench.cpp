// The PNG encoder's deflate stage against zlib and libdeflate, time and size, on the image
// data of real PNG files.
//   tintwell-deflate-bench [benchmark options] DIR...
// Each DIR is one data set: the image data (the rows with their filter-type bytes, as the
// file's IDAT chunks hold them inflated) of every non-interlaced .png file directly in it.
// Every encoder compresses every file of the set once an iteration; `bytes` is the set's
// compressed total. Give it the files our PNG writer wrote to measure the rows it compresses.

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "deflate/image_deflate.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// One file's image data and the bytes of one of its filtered rows.
struct ImageData {
    Bytes rows;
    std::size_t rowBytes = 0;
};

std::uint32_t ReadU32be(const Bytes& b, std::size_t at) {
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
           (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

// The inflated IDAT stream of a PNG file, or nothing when the file is not one this reads.
bool ReadImageData(const std::filesystem::path& path, ImageData& image) {
    std::ifstream in(path, std::ios::binary);
    const Bytes file{std::istreambuf_iterator<char>(in), {}};
    if (file.size() < 33 || file[1] != 'P' || file[2] != 'N' || file[3] != 'G') return false;
    Bytes idat;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bitsPerPixel = 0;
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::size_t length = ReadU32be(file, at);
        if (at + 12 + length > file.size()) return false;
        const std::string type(file.begin() + static_cast<std::ptrdiff_t>(at) + 4,
                               file.begin() + static_cast<std::ptrdiff_t>(at) + 8);
        const auto data = file.begin() + static_cast<std::ptrdiff_t>(at) + 8;
        if (type == "IHDR") {
            width = ReadU32be(file, at + 8);
            height = ReadU32be(file, at + 12);
            static constexpr std::uint32_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
            if (data[9] > 6 || data[12] != 0) return false;
            bitsPerPixel = data[8] * kChannels[data[9]];
        } else if (type == "IDAT") {
            idat.insert(idat.end(), data, data + static_cast<std::ptrdiff_t>(length));
        }
        at += 12 + length;
    }
    image.rowBytes = 1 + (std::size_t{width} * bitsPerPixel + 7) / 8;
    image.rows.resize(image.rowBytes * height);
    auto size = static_cast<uLongf>(image.rows.size());
    return bitsPerPixel > 0 &&
           uncompress(image.rows.data(), &size, idat.data(), static_cast<uLong>(idat.size())) ==
               Z_OK &&
           size == image.rows.size();
}

enum class Encoder { Ours, Zlib, Libdeflate };

// Our encoder, fed one row at a time as the PNG writer feeds it.
std::size_t OursSize(const ImageData& image) {
    tintwell::deflate::ImageDeflater deflater(image.rowBytes);
    std::size_t size = 0;
    for (std::size_t at = 0; at < image.rows.size(); at += image.rowBytes) {
        deflater.Add(image.rows.data() + at, image.rowBytes);
        size += deflater.TakeOutput().size();
    }
    deflater.Finish();
    return size + deflater.TakeOutput().size();
}

std::size_t ZlibSize(const ImageData& image, int level, Bytes& out) {
    out.resize(compressBound(static_cast<uLong>(image.rows.size())));
    auto size = static_cast<uLongf>(out.size());
    if (compress2(out.data(), &size, image.rows.data(), static_cast<uLong>(image.rows.size()),
                  level) != Z_OK) {
        return 0;
    }
    return size;
}

std::size_t LibdeflateSize(const ImageData& image, int level, Bytes& out) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    if (compressor == nullptr) return 0;
    out.resize(libdeflate_zlib_compress_bound(compressor, image.rows.size()));
    const std::size_t size = libdeflate_zlib_compress(compressor, image.rows.data(),
                                                      image.rows.size(), out.data(), out.size());
    libdeflate_free_compressor(compressor);
    return size;
}

void CompressSet(benchmark::State& state, const std::vector<ImageData>& set, Encoder encoder,
                 int level) {
    Bytes out;
    std::size_t total = 0;
    for (auto _ : state) {
        total = 0;
        for (const ImageData& image : set) {
            const std::size_t size = encoder == Encoder::Ours   ? OursSize(image)
                                     : encoder == Encoder::Zlib ? ZlibSize(image, level, out)
                                                                : LibdeflateSize(image, level, out);
            if (size == 0) {
                state.SkipWithError("the encoder failed");
                return;
            }
            total += size;
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["bytes"] = static_cast<double>(total);
}

std::vector<ImageData> ReadSet(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".png") paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    std::vector<ImageData> set;
    for (const auto& path : paths) {
        ImageData image;
        if (ReadImageData(path, image)) {
            set.push_back(std::move(image));
        } else {
            std::cerr << "tintwell-deflate-bench: skipping " << path << "\n";
        }
    }
    return set;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::cerr << "usage: tintwell-deflate-bench [benchmark options] DIR...\n";
        return 2;
    }
    // The sets live until the end of main, the benchmarks refer to them.
    std::vector<std::vector<ImageData>> sets;
    sets.reserve(static_cast<std::size_t>(argc - 1));
    for (int i = 1; i < argc; ++i) {
        sets.push_back(ReadSet(argv[i]));
        const std::vector<ImageData>& set = sets.back();
        std::size_t input = 0;
        for (const ImageData& image : set)
            input += image.rows.size();
        const std::string name = std::filesystem::path(argv[i]).filename().string();
        std::cout << name << ": " << set.size() << " files, " << input << " bytes of rows\n";
        const auto add = [&](const std::string& encoder, Encoder e, int level) {
            benchmark::RegisterBenchmark((name + "/" + encoder).c_str(), CompressSet, set, e, level)
                ->Unit(benchmark::kMillisecond);
        };
        add("ours", Encoder::Ours, 0);
        for (const int level : {6, 7, 8, 9}) {
            add("zlib-" + std::to_string(level), Encoder::Zlib, level);
            add("libdeflate-" + std::to_string(level), Encoder::Libdeflate, level);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
