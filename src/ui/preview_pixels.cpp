#include "ui/preview_pixels.h"

#include <cstring>
#include <new>
#include <numeric>
#include <span>
#include <sstream>
#include <string_view>

#include "bitmap/bmp_header.h"
#include "bitmap/byte_io.h"
#include "bitmap/writer.h"
#include "jobs/file_io.h"
#include "jobs/file_paths.h"
#include "jobs/scan_file.h"
#include "palette/output_depth.h"

namespace tintwell {

// Runs on the GUI thread when a preview opens; the list is not touched.
FilePixels ReadFilePixels(const FileRecord& record) try {
    FilePixels pixels;
    const FileScan scan = ScanFile(record.path, record.rule);
    if (scan.error != Msg::None) {
        pixels.error = scan.error;
        return pixels;
    }
    if (!SameContent(record.analysed, scan.fingerprint)) {
        pixels.error = Msg::ChangedSinceAnalysis;
        return pixels;
    }
    for (int i = 0; i < kFileIndexCount; ++i)
        pixels.fileColors[i] = {scan.palette[i].red, scan.palette[i].green, scan.palette[i].blue};

    // The writer with every index standing for itself gives an 8-bit bitmap whose pixel
    // bytes are the file indices, decoded by the same code as the real output.
    InputFile in(PathFromUtf8(record.path));
    if (!in.IsOpen()) {
        pixels.error = Msg::CannotOpen;
        return pixels;
    }
    OutputIndexMap identity{};
    std::iota(identity.begin(), identity.end(), std::uint8_t{0});
    std::ostringstream out;
    const Msg msg = WriteBitmap(in.Stream(), out, OutputPalette{pixels.fileColors, kFileIndexCount},
                                identity, record.rule);
    if (msg == Msg::None && !SameContent(record.analysed, in.Fingerprint()))
        pixels.error = Msg::ChangedSinceAnalysis;
    else
        pixels.error = msg;
    if (pixels.error != Msg::None) return pixels;

    // The written file: the headers, 256 color entries, then the rows; the height's sign is
    // carried over from the input.
    const std::string_view bytes = out.view();
    const std::span<const std::uint8_t> info(
        reinterpret_cast<const std::uint8_t*>(bytes.data()) + kFileHeaderSize, kInfoHeaderSize);
    const std::size_t offBits = kFileHeaderSize + kInfoHeaderSize + 4 * kFileIndexCount;
    const std::int32_t width = readI32le(info, info_header::kWidth);
    const std::int32_t height = readI32le(info, info_header::kHeight);
    const std::size_t rows = height < 0
                                 ? static_cast<std::size_t>(-static_cast<std::int64_t>(height))
                                 : static_cast<std::size_t>(height);
    const std::size_t stride = RowStride(width, 8);
    if (bytes.size() < offBits + stride * rows) {
        pixels.error = Msg::ReadError;
        return pixels;
    }
    pixels.width = width;
    pixels.height = static_cast<int>(rows);
    pixels.indices.resize(static_cast<std::size_t>(width) * rows);
    for (std::size_t y = 0; y < rows; ++y) {
        const std::size_t stored = height < 0 ? y : rows - 1 - y;
        std::memcpy(pixels.indices.data() + y * static_cast<std::size_t>(width),
                    bytes.data() + offBits + stored * stride, static_cast<std::size_t>(width));
    }
    return pixels;
} catch (const std::bad_alloc&) {
    // The image in memory twice (written, then as rows) did not fit: no preview.
    FilePixels failed;
    failed.error = Msg::OutOfMemory;
    return failed;
}

bool SameNumbering(const TrueColorRule& a, const TrueColorRule& b) {
    return a.numbering == b.numbering && a.keyColor == b.keyColor && a.mask.red == b.mask.red &&
           a.mask.green == b.mask.green && a.mask.blue == b.mask.blue &&
           a.candidates == b.candidates;
}

PreviewOutput OutputOf(const FileRecord& record, const ColorTable& table,
                       const PaletteSettings& settings) {
    const OutputIndexMap map = table.BuildOutputIndexMap(record.indexMap);
    const std::vector<Rgb> palette = table.Palette();
    PreviewOutput output;
    for (int i = 0; i < kFileIndexCount; ++i) {
        int entry = map[i];
        entry &= OutputDepth(settings.outputDepth).Entries() - 1;  // the bits the depth keeps
        output.entries[i] = entry;
        // Entries past the list are written as zeros: black.
        if (entry < static_cast<int>(palette.size())) output.colors[i] = palette[entry];
    }
    return output;
}

}  // namespace tintwell
