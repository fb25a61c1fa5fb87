#include "jobs/file_fingerprint.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <system_error>

namespace tintwell {
namespace {

constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;

std::uint64_t Mix(std::uint64_t hash, std::uint64_t word) {
    hash = (hash ^ word) * kMultiplier;
    return hash ^ (hash >> 29);
}

// A fast 64-bit hash of one block: four independent lanes of eight bytes, so the
// multiplications overlap, folded together at the end. It guards against accidents (an
// editor saving over the file), not against an adversary, so speed matters more than
// strength. Never 0, which marks a block that was not read.
std::uint64_t HashBlock(const char* data, std::size_t size) {
    std::array<std::uint64_t, 4> lanes = {0xCBF29CE484222325u ^ size, 1, 2, 3};
    std::size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        std::array<std::uint64_t, 4> words;
        std::memcpy(words.data(), data + i, 32);
        for (std::size_t k = 0; k < 4; ++k)
            lanes[k] = Mix(lanes[k], words[k]);
    }
    std::uint64_t hash = lanes[0];
    for (std::size_t k = 1; k < 4; ++k)
        hash = Mix(hash, lanes[k]);
    for (; i < size; ++i)
        hash = Mix(hash, static_cast<unsigned char>(data[i]));
    return hash | 1;
}

// Marks a block that held different bytes when read twice by one reader; even, so no hash.
constexpr std::uint64_t kChangedWhileRead = ~std::uint64_t{1};

}  // namespace

bool SameContent(const FileFingerprint& before, const FileFingerprint& now) {
    if (before.identity != now.identity || before.size != now.size ||
        before.modified != now.modified)
        return false;
    const std::size_t common = std::min(before.blockHashes.size(), now.blockHashes.size());
    for (std::size_t k = 0; k < common; ++k) {
        const std::uint64_t a = before.blockHashes[k];
        const std::uint64_t b = now.blockHashes[k];
        if (a == kChangedWhileRead || b == kChangedWhileRead) return false;
        if (a != 0 && b != 0 && a != b) return false;
    }
    return true;
}

FingerprintFileBuf::FingerprintFileBuf(const std::filesystem::path& path) {
    const native::EntryKind kind = native::KindOf(path);
    if (kind == native::EntryKind::Directory || kind == native::EntryKind::Other) return;
    // Unbuffered: this buffer reads whole blocks itself.
    file_.pubsetbuf(nullptr, 0);
    if (!file_.open(path, std::ios::in | std::ios::binary)) return;
    std::error_code ec;
    fingerprint_.identity = native::IdentityOf(path);
    fingerprint_.modified = std::filesystem::last_write_time(path, ec);
    const auto end = file_.pubseekoff(0, std::ios::end, std::ios::in);
    fingerprint_.size = end < 0 ? 0 : static_cast<std::uintmax_t>(static_cast<off_type>(end));
    fingerprint_.blockHashes.assign(
        static_cast<std::size_t>((fingerprint_.size + kFingerprintBlock - 1) / kFingerprintBlock),
        0);
    block_ = std::make_unique_for_overwrite<char[]>(kFingerprintBlock);
}

std::uintmax_t FingerprintFileBuf::Position() const {
    return eback() == nullptr ? next_ : blockStart_ + static_cast<std::uintmax_t>(gptr() - eback());
}

FingerprintFileBuf::int_type FingerprintFileBuf::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (!file_.is_open()) return traits_type::eof();
    const std::uintmax_t position = Position();
    const std::uintmax_t block = position / kFingerprintBlock;
    const std::uintmax_t start = block * kFingerprintBlock;
    setg(nullptr, nullptr, nullptr);
    next_ = position;
    if (file_.pubseekpos(static_cast<off_type>(start), std::ios::in) < 0) return traits_type::eof();
    const std::streamsize got =
        file_.sgetn(block_.get(), static_cast<std::streamsize>(kFingerprintBlock));
    if (got <= 0) return traits_type::eof();
    const auto size = static_cast<std::size_t>(got);
    // A file that grew since it was opened is not the file that was measured: the blocks
    // past its measured end are hashed like any other, and their sizes differ anyway.
    if (block < fingerprint_.blockHashes.size()) {
        std::uint64_t& hash = fingerprint_.blockHashes[static_cast<std::size_t>(block)];
        const std::uint64_t seen = HashBlock(block_.get(), size);
        // A block read twice with different bytes changed under the reader.
        hash = hash == 0 || hash == seen ? seen : kChangedWhileRead;
    }
    if (position - start >= size) return traits_type::eof();
    blockStart_ = start;
    setg(block_.get(), block_.get() + (position - start), block_.get() + size);
    return traits_type::to_int_type(*gptr());
}

FingerprintFileBuf::pos_type FingerprintFileBuf::seekoff(off_type offset,
                                                         std::ios_base::seekdir dir,
                                                         std::ios_base::openmode which) {
    off_type base = 0;
    if (dir == std::ios_base::cur) base = static_cast<off_type>(Position());
    if (dir == std::ios_base::end) base = static_cast<off_type>(fingerprint_.size);
    return seekpos(pos_type(base + offset), which);
}

FingerprintFileBuf::pos_type FingerprintFileBuf::seekpos(pos_type position,
                                                         std::ios_base::openmode which) {
    const auto target = static_cast<off_type>(position);
    if (!file_.is_open() || !(which & std::ios_base::in) || target < 0) return pos_type(-1);
    const auto to = static_cast<std::uintmax_t>(target);
    // Inside the loaded block only the read position moves; elsewhere the next read loads
    // the block that holds it.
    if (eback() != nullptr && to >= blockStart_ &&
        to < blockStart_ + static_cast<std::uintmax_t>(egptr() - eback())) {
        setg(eback(), eback() + (to - blockStart_), egptr());
    } else {
        setg(nullptr, nullptr, nullptr);
        next_ = to;
    }
    return position;
}

}  // namespace tintwell
