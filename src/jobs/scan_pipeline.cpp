#include "jobs/scan_pipeline.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "jobs/file_io.h"
#include "jobs/file_paths.h"

namespace tintwell {

// Runs on a worker: touches no Workspace state.
FileScan ScanFile(const std::string& path, const TrueColorRule& rule) {
    InputFile file(PathFromUtf8(path));
    FileScan scan;
    if (!file.IsOpen()) {
        scan.error = Msg::CannotOpen;
        return scan;
    }
    static_cast<BitmapScan&>(scan) = ScanBitmap(file.Stream(), rule);
    scan.fingerprint = file.Fingerprint();
    return scan;
}

void ScanInOrder(std::span<const std::string> paths, unsigned threads,
                 const std::function<bool(std::size_t)>& want,
                 const std::function<bool(std::size_t, const FileScan&)>& deliver,
                 const TrueColorRule& rule) {
    const auto scanOne = [&](std::size_t i) {
        return want(i) ? ScanFile(paths[i], rule) : FileScan{};
    };
    if (threads <= 1 || paths.size() <= 1) {
        for (std::size_t i = 0; i < paths.size(); ++i) {
            if (!deliver(i, scanOne(i))) return;
        }
        return;
    }

    // Workers take the next unscanned file; the consumer waits for the file it needs next.
    // At most `window` files are scanned ahead of the consumer, so memory stays bounded.
    const std::size_t window = 2 * threads;
    std::vector<std::optional<FileScan>> done(paths.size());
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t nextToScan = 0;
    std::size_t consumed = 0;
    bool stop = false;

    const auto worker = [&] {
        for (;;) {
            std::size_t i;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] {
                    return stop || nextToScan >= paths.size() || nextToScan < consumed + window;
                });
                if (stop || nextToScan >= paths.size()) return;
                i = nextToScan++;
            }
            FileScan result = scanOne(i);
            {
                std::lock_guard lock(mutex);
                done[i] = std::move(result);
            }
            changed.notify_all();
        }
    };

    std::vector<std::jthread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(worker);

    for (std::size_t i = 0; i < paths.size(); ++i) {
        FileScan result;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return done[i].has_value(); });
            result = std::move(*done[i]);
            done[i].reset();
        }
        const bool more = deliver(i, result);
        {
            std::lock_guard lock(mutex);
            consumed = i + 1;
            if (!more) stop = true;
        }
        changed.notify_all();
        if (!more) break;
    }
    {
        std::lock_guard lock(mutex);
        stop = true;
    }
    changed.notify_all();
}

}  // namespace tintwell
