#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "deflate/deflate_block.h"

namespace tintwell::deflate {

// Compresses the image data of a PNG file (filtered rows, each with its filter-type byte)
// into one zlib stream (RFC 1950 over RFC 1951), fed row by row.
//
// What it is tuned for: rows of palette indices (4 or 8 bits a pixel) of a known length,
// unfiltered, as pixel art has them. Such images repeat themselves in two ways above all: a
// row is mostly runs of one index, and a row is mostly one of the rows above (tiles repeat
// within their height). A general encoder finds those matches only at the end of a long
// hash chain, behind the nearer repeats of every run; this one tries the run and the same
// column in the 8 rows above first, then recent repeats of the next three bytes, and scores
// each match by the bits it saves rather than by its length alone.
//
// What it keeps to: the full 32 KiB window; blocks of at most 16,384 symbols or 1 MiB of
// input, each with Huffman codes made for it, or stored when that is smaller; the stream
// ends with the Adler-32 sum, computed here. What it does not do: fixed-code blocks, preset
// dictionaries, flushing in the middle of the stream, or lazy matching beyond one byte. On
// dithered art and photographs it works, but libdeflate's level 6 is there faster and as
// small or smaller (docs/ARCHITECTURE.md has the figures).
class ImageDeflater {
  public:
    // `rowBytes`: the bytes of one filtered row, filter-type byte included.
    explicit ImageDeflater(std::size_t rowBytes);

    // Appends input; compressed bytes become available to TakeOutput() as blocks complete.
    void Add(const std::uint8_t* data, std::size_t size);
    // Compresses what is left and ends the stream (the last block and the Adler-32 sum).
    void Finish();

    // The compressed bytes produced since the last call; the encoder keeps no copy.
    [[nodiscard]] std::vector<std::uint8_t> TakeOutput() { return bits_.TakeBytes(); }

  private:
    // A match found, and how many bits it saves by a rough measure.
    struct Match {
        std::size_t length = 0;
        std::size_t distance = 0;
        int score = 0;
    };

    void Compress(std::size_t end);
    [[nodiscard]] Match BestMatch(std::size_t pos, std::size_t available) const;
    void Insert(std::size_t pos);
    void EndBlock(bool last);
    void Slide();

    std::size_t rowBytes_;
    std::vector<std::uint8_t> window_;  // input from base_ on: history, block, lookahead
    std::size_t base_ = 0;              // stream position of window_[0]
    std::size_t pos_ = 0;               // stream position of the next byte to compress
    std::size_t blockStart_ = 0;        // stream position where the open block began
    std::vector<std::int64_t> head_;    // per hash: the latest stream position, or -1
    std::vector<std::int64_t> chain_;   // per position (modulo the window): the one before
    Block block_;                       // the open block
    int chainDepth_ = 8;                // how deep the chain is searched, by the last block
    std::uint32_t adler_ = 1;
    bool finished_ = false;
    BitWriter bits_;
};

}  // namespace tintwell::deflate
