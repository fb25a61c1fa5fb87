#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <streambuf>
#include <vector>

#include "jobs/native_file.h"

namespace tintwell {

// What a file was when it was read: its identity, size and modification time when it was
// opened, and a hash of every block of its content as the reader got it. The output job
// compares the fingerprint of the analysis with that of its own reading, so a file that was
// rewritten after it was added (even with the same size within the same second) is never
// written through the index map of its old content.
struct FileFingerprint {
    std::optional<native::FileId> identity;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified{};
    // Entry k hashes the bytes from k * kFingerprintBlock on; 0 for a block never read.
    std::vector<std::uint64_t> blockHashes;
};

inline constexpr std::size_t kFingerprintBlock = std::size_t{1} << 18;

// True when both readings saw the same file with the same size and time, and every block
// that both read held the same bytes.
[[nodiscard]] bool SameContent(const FileFingerprint& before, const FileFingerprint& now);

// An input stream buffer over a file that loads whole aligned blocks and hashes each block
// as it is loaded, so the fingerprint covers exactly the bytes the reader was given, however
// it seeks. Only regular files are opened: a directory opens as a stream on some systems,
// and a named pipe or a device could block for ever or never reach its end.
class FingerprintFileBuf final : public std::streambuf {
  public:
    explicit FingerprintFileBuf(const std::filesystem::path& path);
    [[nodiscard]] bool IsOpen() const { return file_.is_open(); }
    [[nodiscard]] const FileFingerprint& Fingerprint() const { return fingerprint_; }

  protected:
    int_type underflow() override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir dir,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

  private:
    [[nodiscard]] std::uintmax_t Position() const;

    std::filebuf file_;
    std::unique_ptr<char[]> block_;
    std::uintmax_t blockStart_ = 0;  // file offset of block_[0]
    std::uintmax_t next_ = 0;        // where reading goes on while no block is loaded
    FileFingerprint fingerprint_;
};

}  // namespace tintwell
