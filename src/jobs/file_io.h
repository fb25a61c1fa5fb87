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

// An output file written through a temporary file in the same folder and renamed over the
// target only when complete. Creating claims the temporary file at once, so "cannot create"
// is known before any work is done; the writing may then happen on another thread.
class AtomicOutputFile {
  public:
    // Claims a temporary file beside `target` (beside the file a link at `target` points
    // to): nullptr when it cannot be made, when the target is a folder (which a file can
    // never replace), or when the target exists and this user may not write to it.
    [[nodiscard]] static std::unique_ptr<AtomicOutputFile> Create(
        const std::filesystem::path& target);
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    // Writes the file through `write` and renames it over the target: Msg::None,
    // WriteError (229) when writing or closing fails, CannotCreate (228) when the rename
    // fails, or what `write` returned. Only the first call writes.
    [[nodiscard]] Msg Commit(const std::function<Msg(std::ostream&)>& write);

  private:
    AtomicOutputFile(std::filesystem::path target, std::filesystem::path temp);
    std::filesystem::path target_;
    std::filesystem::path temp_;
    bool done_ = false;
};

// Writes `target` through a temporary file in the same folder that is renamed over the
// target only when `write` has succeeded and the file is closed, so a failed write never
// leaves a half file where a good one stood, and an old file stays untouched.
//
// Returns Msg::None; CannotCreate (228) when the temporary file cannot be made or the rename
// fails; WriteError (229) when writing or closing fails; or what `write` returned. On every
// failure the temporary file is removed.
[[nodiscard]] Msg WriteFileAtomically(const std::filesystem::path& target,
                                      const std::function<Msg(std::ostream&)>& write);

}  // namespace tintwell
