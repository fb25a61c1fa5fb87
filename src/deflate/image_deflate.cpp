#include "deflate/image_deflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "deflate/adler32.h"

namespace tintwell::deflate {
namespace {

// A match of three bytes this far back or farther costs about as much as three literals.
constexpr std::size_t kFarForThree = 4096;
constexpr int kHashBits = 15;
// How many earlier places with the same next three bytes are tried after the run and the
// rows above: few where those leave little to literals (sprites, tiles, flat art), more
// where they do not (dithered and photographic images), as measured on both kinds.
constexpr int kShallowChain = 8;
constexpr int kDeepChain = 32;
// Symbols per 16 bytes of a block's input above which the next block searches the chain
// deeply: the matches found are short.
constexpr std::size_t kSymbolsForDeep = 2;
// How many rows above are tried at the same column: tiles of 8 and 16 rows repeat within
// their height.
constexpr std::size_t kRowsAbove = 8;
// What a literal costs, roughly, in bits, and what a distance the image does not repeat
// costs beyond its extra bits.
constexpr int kLiteralBits = 6;
constexpr int kOddDistanceBits = 4;
// The hash chain is searched only when the run and the rows above give less than this.
constexpr std::size_t kChainBelow = 16;
// Every place of a match up to this long goes into the hash chain.
constexpr std::size_t kInsertAll = 32;
// A match this long is taken without looking one byte further for a longer one.
constexpr std::size_t kGoodEnough = 16;
// A block ends after this many symbols or this much input, whichever comes first.
constexpr std::size_t kBlockSymbols = 16384;
constexpr std::size_t kBlockInput = 1 << 20;

std::uint32_t Load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::uint32_t Hash(const std::uint8_t* p) {
    return ((Load32(p) & 0xFFFFFFu) * 0x9E3779B1u) >> (32 - kHashBits);
}

// How many bytes from `here` equal those from `there`, up to `limit`.
std::size_t MatchLength(const std::uint8_t* here, const std::uint8_t* there, std::size_t limit) {
    std::size_t n = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (n + 8 <= limit) {
            std::uint64_t a;
            std::uint64_t b;
            std::memcpy(&a, here + n, 8);
            std::memcpy(&b, there + n, 8);
            if (a != b) return n + static_cast<std::size_t>(std::countr_zero(a ^ b) / 8);
            n += 8;
        }
    }
    while (n < limit && here[n] == there[n])
        ++n;
    return n;
}

}  // namespace

ImageDeflater::ImageDeflater(std::size_t rowBytes)
    : rowBytes_(rowBytes), head_(std::size_t{1} << kHashBits, -1), chain_(kWindow, -1) {
    block_.symbols.reserve(kBlockSymbols);
    // CMF: deflate with a 32 KiB window; FLG: default level, no dictionary, check bits.
    constexpr std::array<std::uint8_t, 2> kZlibHeader{0x78, 0x9C};
    bits_.PutBytes(kZlibHeader);
}

void ImageDeflater::Add(const std::uint8_t* data, std::size_t size) {
    window_.insert(window_.end(), data, data + size);
    adler_ = Adler32(adler_, data, size);
    // The last bytes wait for more input, so that matches starting there can run on.
    const std::size_t available = base_ + window_.size();
    if (available > pos_ + kMaxMatch) Compress(available - kMaxMatch);
}

void ImageDeflater::Finish() {
    if (finished_) return;
    finished_ = true;
    Compress(base_ + window_.size());
    EndBlock(true);
    bits_.AlignToByte();
    const std::array<std::uint8_t, 4> sum{
        static_cast<std::uint8_t>(adler_ >> 24), static_cast<std::uint8_t>(adler_ >> 16),
        static_cast<std::uint8_t>(adler_ >> 8), static_cast<std::uint8_t>(adler_)};
    bits_.PutBytes(sum);
}

// Compresses up to stream position `end`, one byte of lookahead deciding between a match
// here and a better one from the next byte.
void ImageDeflater::Compress(std::size_t end) {
    const std::size_t available = base_ + window_.size();
    while (pos_ < end) {
        Match match = BestMatch(pos_, available);
        while (match.length > 0 && match.length < kGoodEnough && pos_ + 1 < end) {
            const Match next = BestMatch(pos_ + 1, available);
            if (next.score <= match.score) break;
            Insert(pos_);
            block_.Add({window_[pos_ - base_], 0});
            ++pos_;
            match = next;
        }
        if (match.length > 0) {
            block_.Add({static_cast<std::uint16_t>(match.length),
                        static_cast<std::uint16_t>(match.distance)});
            // Inside a long match only its last places go into the chain: the chain serves
            // the short matches around single odd pixels, and the rows above serve the rest.
            const std::size_t from = match.length > kInsertAll ? match.length - 3 : 0;
            for (std::size_t k = from; k < match.length; ++k)
                Insert(pos_ + k);
            pos_ += match.length;
        } else {
            Insert(pos_);
            block_.Add({window_[pos_ - base_], 0});
            ++pos_;
        }
        if (block_.symbols.size() >= kBlockSymbols || pos_ - blockStart_ >= kBlockInput) {
            EndBlock(false);
        }
    }
}

// The match for the bytes at `pos` that saves the most, trying the run, the rows above,
// then the places the hash chain remembers; length 0 when no match pays.
//
// A match is scored by the literals it replaces against what its distance costs. The run and
// the rows above recur all through an image, so their distance codes get short Huffman codes;
// any other distance is rare and costs its extra bits and a long code besides. Taking the
// longest match regardless made sprite sheets 8 % larger: the chain's slightly longer matches
// at odd distances displaced cheap runs.
ImageDeflater::Match ImageDeflater::BestMatch(std::size_t pos, std::size_t available) const {
    Match best;
    const std::size_t limit = std::min(kMaxMatch, available - pos);
    if (limit < kMinMatch) return best;
    const std::uint8_t* here = window_.data() + (pos - base_);
    const std::size_t reach = std::min(kWindow, pos - base_);
    const auto consider = [&](std::size_t d, int penalty) {
        if (d == 0 || d > reach) return;
        // Farther candidates cost as much or more: only a longer match can win.
        if (best.length > 0 && (here - d)[best.length] != here[best.length]) return;
        const std::size_t n = MatchLength(here, here - d, limit);
        if (n < kMinMatch || (n == kMinMatch && d >= kFarForThree)) return;
        const int score =
            kLiteralBits * static_cast<int>(n) - penalty - DistanceExtraBits(DistanceCode(d));
        if (score > best.score) best = {n, d, score};
    };
    consider(1, 0);
    for (std::size_t k = 1; k <= kRowsAbove && best.length < limit; ++k) {
        consider(k * rowBytes_, 0);
    }
    if (best.length < limit && best.length < kChainBelow && pos + 4 <= available) {
        std::int64_t c = head_[Hash(here)];
        for (int depth = 0; depth < chainDepth_ && best.length < limit; ++depth) {
            if (c < static_cast<std::int64_t>(base_) || pos - static_cast<std::size_t>(c) > reach) {
                break;
            }
            const std::size_t d = pos - static_cast<std::size_t>(c);
            consider(d, kOddDistanceBits);
            c = chain_[static_cast<std::size_t>(c) & (kWindow - 1)];
        }
    }
    return best;
}

void ImageDeflater::Insert(std::size_t pos) {
    if (pos + 4 > base_ + window_.size()) return;
    const std::uint32_t h = Hash(window_.data() + (pos - base_));
    chain_[pos & (kWindow - 1)] = head_[h];
    head_[h] = static_cast<std::int64_t>(pos);
}

// Writes the open block and starts the next.
void ImageDeflater::EndBlock(bool last) {
    if (block_.symbols.empty() && !last) return;
    const std::size_t input = pos_ - blockStart_;
    WriteBlock(bits_, block_, {window_.data() + (blockStart_ - base_), input}, last);
    chainDepth_ = block_.symbols.size() * 16 > kSymbolsForDeep * input ? kDeepChain : kShallowChain;
    block_.Clear();
    blockStart_ = pos_;
    Slide();
}

// Drops input that no match can reach any more; called between blocks only, as a stored
// block needs its input.
void ImageDeflater::Slide() {
    if (pos_ - base_ <= 2 * kWindow) return;
    const std::size_t drop = pos_ - kWindow - base_;
    window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(drop));
    base_ += drop;
}

}  // namespace tintwell::deflate
