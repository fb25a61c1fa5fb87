#include "jobs/preview_job.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <utility>

#include "bitmap/color_index.h"
#include "bitmap/image_rows.h"
#include "jobs/file_io.h"
#include "jobs/file_paths.h"

namespace tintwell {
namespace {

FilePixels Failed(Msg error) {
    FilePixels pixels;
    pixels.error = error;
    return pixels;
}

// Every row of `rows` through `number(row, target)` into the indices, top row first.
// Msg::None when stopped: the caller drops the value.
template <class Number>
Msg ReadRows(ImageRows& rows, FilePixels& pixels, const std::stop_token& stop, Number number) {
    const ImageInfo& info = rows.Info();
    if (info.rows == 0) return Msg::None;
    if (rows.Start() != Msg::None) return rows.Error();
    for (std::uint64_t r = 0; r < info.rows; ++r) {
        if (stop.stop_requested()) return Msg::None;
        const std::uint8_t* row = rows.Next();
        if (row == nullptr) return rows.Error();
        const std::uint64_t y = info.topDown ? r : info.rows - 1 - r;
        if (!number(row, pixels.indices.data() + y * info.width)) return Msg::FullColorOverflow;
    }
    return Msg::None;
}

// True-color rows numbered by `colors` as the analysis numbered them, one lookup per run of
// equal pixels; the file colors are those the numbering kept.
template <class Index>
Msg ReadTrueColor(ImageRows& rows, Index& colors, FilePixels& pixels, const std::stop_token& stop) {
    const std::size_t width = rows.Info().width;
    const Msg msg = ReadRows(rows, pixels, stop, [&](const std::uint8_t* row, std::uint8_t* out) {
        return ForEachColorRun(row, width, colors, [&](std::size_t x, std::size_t n, int index) {
            std::fill_n(out + x, n, static_cast<std::uint8_t>(index));
        });
    });
    for (int i = 0; i < colors.Size(); ++i) {
        const ColorQuad c = colors.ColorAt(i);
        pixels.fileColors[i] = {c.red, c.green, c.blue};
    }
    return msg;
}

// The indices by the numbering `rule` names, as the writer chooses it.
Msg ReadIndices(ImageRows& rows, const TrueColorRule& rule, FilePixels& pixels,
                const std::stop_token& stop) {
    const ImageInfo& info = rows.Info();
    if (!info.trueColor) {
        for (int i = 0; i < kFileIndexCount; ++i)
            pixels.fileColors[i] = {info.palette[i].red, info.palette[i].green,
                                    info.palette[i].blue};
        return ReadRows(rows, pixels, stop, [&](const std::uint8_t* row, std::uint8_t* out) {
            std::memcpy(out, row, info.width);
            return true;
        });
    }
    if (rule.numbering == TrueColorNumbering::Reduced) {
        ReducedColorIndex colors(rule.mask);
        return ReadTrueColor(rows, colors, pixels, stop);
    }
    if (rule.numbering == TrueColorNumbering::Nearest && rule.candidates) {
        NearestColorIndex colors(rule.candidates);
        return ReadTrueColor(rows, colors, pixels, stop);
    }
    FirstOccurrenceIndex colors;
    return ReadTrueColor(rows, colors, pixels, stop);
}

}  // namespace

PreviewRequest PreviewRequestFor(const FileRecord& record) {
    return {record.path, record.analysed, record.rule};
}

// Runs on a worker: touches no Workspace state.
FilePixels ReadFilePixels(PreviewRequest request, std::stop_token stop) try {
    InputFile in(PathFromUtf8(request.path));
    if (!in.IsOpen()) return Failed(Msg::CannotOpen);
    // The analysis checked a PNG image's sums; the fingerprint below shows the bytes are
    // those it checked.
    ImageRows rows(in.Stream(), request.rule.keyColor, PngChecksums::Skip);
    Msg msg = rows.Open();
    const ImageInfo& info = rows.Info();
    FilePixels pixels;
    if (msg == Msg::None) {
        // The window counts pixels in int; the size in one byte a pixel must be had.
        if (info.width > INT_MAX || info.rows > INT_MAX ||
            info.width * info.rows > kMaxPreviewPixels)
            return Failed(Msg::OutOfMemory);
        pixels.width = static_cast<int>(info.width);
        pixels.height = static_cast<int>(info.rows);
        pixels.indices.resize(static_cast<std::size_t>(info.width * info.rows));
        msg = ReadIndices(rows, request.rule, pixels, stop);
    }
    if (stop.stop_requested()) return {};
    // Whatever failed, a file that is no longer what was analysed says so first.
    if (!SameContent(request.analysed, in.Fingerprint())) return Failed(Msg::ChangedSinceAnalysis);
    if (msg != Msg::None) return Failed(msg);
    return pixels;
} catch (const std::bad_alloc&) {
    return Failed(Msg::OutOfMemory);
}

}  // namespace tintwell
