#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>

#include "resources/string_table.h"

namespace tintwell {

// An input file opened for binary reading through a large buffer, so row-sized reads do
// not turn into one system call each.
class InputFile {
  public:
    explicit InputFile(const std::filesystem::path& path);
    [[nodiscard]] bool IsOpen() const { return stream_.is_open(); }
    [[nodiscard]] std::istream& Stream() { return stream_; }

  private:
    std::unique_ptr<char[]> buffer_;
    std::ifstream stream_;
};

// Writes `target` through a temporary file in the same folder that is renamed over the
// target only when `write` has succeeded and everything is on disk, so a failed write never
// leaves a half file where a good one stood, and an old file stays untouched.
//
// Returns Msg::None; CannotCreate (228) when the temporary file cannot be made or the rename
// fails; WriteError (229) when writing or closing fails; or what `write` returned. On every
// failure the temporary file is removed.
[[nodiscard]] Msg WriteFileAtomically(const std::filesystem::path& target,
                                      const std::function<Msg(std::ostream&)>& write);

}  // namespace tintwell
