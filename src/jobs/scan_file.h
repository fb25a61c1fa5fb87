#pragma once

#include <string>

#include "bitmap/analyser.h"

namespace tintwell {

// The scan of one file by path (CannotOpen when it cannot be opened). Runs on a worker:
// touches no Workspace state.
[[nodiscard]] BitmapScan ScanFile(const std::string& path);

}  // namespace tintwell
