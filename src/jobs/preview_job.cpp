#include "jobs/preview_job.h"

#include <climits>
#include <new>
#include <numeric>
#include <utility>

#include "bitmap/remapped_rows.h"
#include "jobs/file_io.h"
#include "jobs/file_paths.h"

namespace tintwell {
namespace {

FilePixels Failed(Msg error) {
    FilePixels pixels;
    pixels.error = error;
    return pixels;
}

// Every row into the indices, top row first, through the identity map: the file indices
// as the analysis numbered them. Msg::None when stopped: the caller drops the value.
Msg ReadIndices(RemappedRows& rows, FilePixels& pixels, const std::stop_token& stop) {
    const ImageInfo& info = rows.Info();
    if (info.rows == 0) return Msg::None;
    if (const Msg started = rows.Start(); started != Msg::None) return started;
    for (std::uint64_t r = 0; r < info.rows; ++r) {
        if (stop.stop_requested()) return Msg::None;
        const std::uint64_t y = info.topDown ? r : info.rows - 1 - r;
        if (const Msg msg = rows.Next(pixels.indices.data() + y * info.width); msg != Msg::None)
            return msg;
    }
    for (int i = 0; i < kFileIndexCount; ++i) {
        const ColorQuad c = rows.FileColor(i);
        pixels.fileColors[i] = {c.red, c.green, c.blue};
    }
    return Msg::None;
}

}  // namespace

PreviewRequest PreviewRequestFor(const FileRecord& record) {
    return {record.path, record.analysed, record.rule};
}

// Runs on a worker: touches no Workspace state.
FilePixels ReadFilePixels(PreviewRequest request, std::stop_token stop) try {
    InputFile in(PathFromUtf8(request.path));
    if (!in.IsOpen()) return Failed(Msg::CannotOpen);
    OutputIndexMap identity{};
    std::iota(identity.begin(), identity.end(), std::uint8_t{0});
    RemappedRows rows(in.Stream(), identity, request.rule);
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
        msg = ReadIndices(rows, pixels, stop);
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
