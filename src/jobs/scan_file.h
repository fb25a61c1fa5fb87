#pragma once

#include <string>

#include "bitmap/analyser.h"
#include "jobs/file_fingerprint.h"

namespace tintwell {

// The scan of one file and the fingerprint of the bytes it was made from.
struct FileScan : BitmapScan {
    FileFingerprint fingerprint;
};

// The scan of one file by path (CannotOpen when it cannot be opened), its true-color pixels
// numbered by `rule`. Runs on a worker: touches no Workspace state.
[[nodiscard]] FileScan ScanFile(const std::string& path, const TrueColorRule& rule = {});

}  // namespace tintwell
