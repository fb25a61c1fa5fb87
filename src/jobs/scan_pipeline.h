#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "bitmap/analyser.h"
#include "jobs/file_fingerprint.h"

namespace tintwell {

// The scan of one file and the fingerprint of the bytes it was made from.
struct FileScan : BitmapScan {
    FileFingerprint fingerprint;
};

// Scans files on up to `threads` threads ahead of the consumer and hands the results over
// one by one in the order of `paths`, on the calling thread. This is what lets both cores
// read files while their colors still enter the table in list order.
//
// `want(i)` says (on a scanning thread, before any reading) whether file i is worth scanning;
// an unwanted file is handed over with Msg::None and empty counts. `deliver(i, scan)` returns
// false to stop: no later file is handed over and the scanning threads stop after the file
// in hand. `threads` of 0 or 1 scans on the calling thread alone. Every file is scanned
// with `rule` for its true-color pixels.
void ScanInOrder(std::span<const std::string> paths, unsigned threads,
                 const std::function<bool(std::size_t)>& want,
                 const std::function<bool(std::size_t, const FileScan&)>& deliver,
                 const TrueColorRule& rule = {});

// The scan of one file by path (CannotOpen when it cannot be opened).
[[nodiscard]] FileScan ScanFile(const std::string& path, const TrueColorRule& rule = {});

}  // namespace tintwell
