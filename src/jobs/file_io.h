#pragma once

#include <filesystem>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>

#include "jobs/file_fingerprint.h"
#include "jobs/native_file.h"
#include "resources/string_table.h"

namespace tintwell {

// An input file (regular files only) opened for binary reading in large blocks, so
// row-sized reads do not turn into one system call each, and fingerprinted as it is read.
class InputFile {
  public:
    explicit InputFile(const std::filesystem::path& path);
    [[nodiscard]] bool IsOpen() const { return buffer_.IsOpen(); }
    [[nodiscard]] std::istream& Stream() { return stream_; }
    // The file as opened, with a hash of every block read so far.
    [[nodiscard]] const FileFingerprint& Fingerprint() const { return buffer_.Fingerprint(); }

  private:
    FingerprintFileBuf buffer_;
    std::istream stream_;
};

// An output file written without a visible name beside its target and given the target's
// name only when complete (see native::TempFile), so a failed write, a killed process or a
// power cut never leaves a half file where a good one stood. Creating claims the file at
// once, so "cannot create" is known before any work is done; Write may then run on another
// thread, and Commit names the file on the thread that keeps the order of commits.
class OutputFile {
  public:
    // Claims a new file beside `target` (beside the file a link at `target` points to):
    // nullptr when it cannot be made there, or when something other than a regular file
    // stands at the target (a folder, a named pipe, a device), or when the target exists
    // and this user may not write to it.
    [[nodiscard]] static std::unique_ptr<OutputFile> Create(const std::filesystem::path& target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Writes the whole content through `write` and, unless `durable` is false, makes it
    // durable: Msg::None, WriteError (229) when writing fails, or what `write` returned.
    // Only the first call writes.
    [[nodiscard]] Msg Write(const std::function<Msg(std::ostream&)>& write, bool durable = true);
    // Makes the written content durable (after Write with `durable` false): Msg::None, or
    // WriteError when the system cannot; Commit names nothing after that.
    [[nodiscard]] Msg MakeDurable();
    // Names the written file: with `replace` an existing regular file is replaced, without
    // it an existing entry is left alone (Exists) and the file is kept for another Commit.
    // After a failed Write, or a second time: Failed.
    [[nodiscard]] native::CommitResult Commit(bool replace);
    // The path the file will stand at (a link at the target followed).
    [[nodiscard]] const std::filesystem::path& Target() const { return target_; }

  private:
    OutputFile(std::filesystem::path target, std::unique_ptr<native::TempFile> file);
    std::filesystem::path target_;
    std::unique_ptr<native::TempFile> file_;
    bool written_ = false;
};

// Writes `target` as an OutputFile that, with `replace`, replaces an existing regular file
// when complete; without it, anything that stands at the target by then is left alone.
// Returns Msg::None; CannotCreate (228) when the file cannot be made or named; WriteError
// (229) when writing fails; or what `write` returned. On every failure the old file stays
// as it was and nothing else is left behind.
[[nodiscard]] Msg WriteFileAtomically(const std::filesystem::path& target,
                                      const std::function<Msg(std::ostream&)>& write,
                                      bool replace = true);

}  // namespace tintwell
