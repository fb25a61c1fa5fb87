#pragma once

#include <string>

#include "app/cli_view.h"

namespace tintwell::cli {

// What the tool says of an output path that something already takes, and the status that
// goes with it: a folder is never written over and a named pipe or a device cannot be
// created (Failed, -f or not); anything else is a file kept without -f (Exists).
struct KeptOutput {
    Status status;
    std::string message;
};

[[nodiscard]] KeptOutput KeptOutputAt(const std::string& path);

// Whether anything, even a dangling link, takes the name `path`.
[[nodiscard]] bool PathTaken(const std::string& path);

}  // namespace tintwell::cli
