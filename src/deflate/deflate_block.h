#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "deflate/deflate_format.h"

// The coding side of deflate (RFC 1951): symbols, their codes, and whole blocks.
namespace tintwell::deflate {

// A literal (distance 0, value the byte) or a match (length 3..258, distance 1..32768).
struct Symbol {
    std::uint16_t value;
    std::uint16_t distance;
};

// The code of a match length (0..28, symbols 257..285) and of a distance (0..29), and how
// many extra bits follow each.
[[nodiscard]] int LengthCode(std::size_t length);
[[nodiscard]] int LengthExtraBits(int code);
[[nodiscard]] int DistanceCode(std::size_t distance);
[[nodiscard]] int DistanceExtraBits(int code);

// Bits packed into bytes low bit first, as deflate stores them.
class BitWriter {
  public:
    void Put(std::uint32_t bits, int count);  // count <= 16
    // Pads the last byte with zero bits.
    void AlignToByte();
    // Appends whole bytes; only after AlignToByte().
    void PutBytes(std::span<const std::uint8_t> bytes);
    // The whole bytes written since the last call.
    [[nodiscard]] std::vector<std::uint8_t> TakeBytes() { return std::exchange(bytes_, {}); }

  private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t buffer_ = 0;
    int count_ = 0;
};

// The symbols of one block and how often each code occurs among them.
struct Block {
    std::vector<Symbol> symbols;
    std::array<std::uint32_t, kLiteralLengthSymbols> literalCounts{};
    std::array<std::uint32_t, kDistanceSymbols> distanceCounts{};

    void Add(Symbol symbol);
    void Clear();
};

// Writes `block`, whose symbols code the bytes `input`: with Huffman codes made for it, or
// as stored blocks of `input` when that is smaller. `last` marks the stream's last block.
void WriteBlock(BitWriter& bits, const Block& block, std::span<const std::uint8_t> input,
                bool last);

}  // namespace tintwell::deflate
