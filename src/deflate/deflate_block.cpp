#include "deflate/deflate_block.h"

#include <algorithm>
#include <bit>

#include "deflate/huffman_code.h"

namespace tintwell::deflate {
namespace {

constexpr std::array<std::uint16_t, kLengthCodes> kLengthBase{
    3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint16_t, kDistanceSymbols> kDistanceBase{
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
// The order in which the lengths of the code-length code are stored.
constexpr std::array<std::uint8_t, kCodeLengthSymbols> kCodeLengthOrder{
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// One symbol of the code-length alphabet: a length 0..15, or a repeat (16, 17, 18) with
// its count in extra bits.
struct LengthRun {
    std::uint8_t symbol;
    std::uint8_t extra;
};

// The code lengths of both codes as one sequence, with runs folded into repeats.
std::vector<LengthRun> FoldLengths(const std::vector<std::uint8_t>& lengths) {
    std::vector<LengthRun> runs;
    for (std::size_t i = 0; i < lengths.size();) {
        const std::uint8_t v = lengths[i];
        std::size_t run = 1;
        while (i + run < lengths.size() && lengths[i + run] == v)
            ++run;
        i += run;
        if (v == 0) {
            for (; run >= 11; run -= std::min<std::size_t>(run, 138)) {
                runs.push_back(
                    {18, static_cast<std::uint8_t>(std::min<std::size_t>(run, 138) - 11)});
            }
            if (run >= 3) {
                runs.push_back({17, static_cast<std::uint8_t>(run - 3)});
                run = 0;
            }
        } else {
            runs.push_back({v, 0});
            --run;
            for (; run >= 3; run -= std::min<std::size_t>(run, 6)) {
                runs.push_back({16, static_cast<std::uint8_t>(std::min<std::size_t>(run, 6) - 3)});
            }
        }
        for (; run > 0; --run)
            runs.push_back({v, 0});
    }
    return runs;
}

int RepeatExtraBits(int symbol) {
    switch (static_cast<std::size_t>(symbol)) {
        case kRepeatLast:
            return 2;
        case kRepeatZeros:
            return 3;
        case kRepeatManyZeros:
            return 7;
        default:
            return 0;
    }
}

}  // namespace

// Length codes 0..28 (257..285 as symbols) and their extra bits.
int LengthCode(std::size_t length) {
    const auto x = static_cast<std::uint32_t>(length - kMinMatch);
    if (x < 8) return static_cast<int>(x);
    if (length == kMaxMatch) return 28;
    const int b = std::bit_width(x) - 1;
    return 4 * (b - 1) + static_cast<int>((x >> (b - 2)) & 3);
}
int LengthExtraBits(int code) {
    return code < 8 || code == 28 ? 0 : code / 4 - 1;
}

// Distance codes 0..29 and their extra bits.
int DistanceCode(std::size_t distance) {
    const auto x = static_cast<std::uint32_t>(distance - 1);
    if (x < 4) return static_cast<int>(x);
    const int b = std::bit_width(x) - 1;
    return 2 * b + static_cast<int>((x >> (b - 1)) & 1);
}
int DistanceExtraBits(int code) {
    return code < 4 ? 0 : code / 2 - 1;
}

void BitWriter::Put(std::uint32_t bits, int count) {
    buffer_ |= std::uint64_t{bits} << count_;
    count_ += count;
    if (count_ >= 32) {
        const auto word = static_cast<std::uint32_t>(buffer_);
        bytes_.insert(
            bytes_.end(),
            {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
             static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)});
        buffer_ >>= 32;
        count_ -= 32;
    }
}

void BitWriter::AlignToByte() {
    for (; count_ > 0; count_ -= 8, buffer_ >>= 8) {
        bytes_.push_back(static_cast<std::uint8_t>(buffer_));
    }
    buffer_ = 0;
    count_ = 0;
}

void BitWriter::PutBytes(std::span<const std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void Block::Add(Symbol symbol) {
    symbols.push_back(symbol);
    if (symbol.distance == 0) {
        ++literalCounts[symbol.value];
    } else {
        ++literalCounts[kFirstLengthSymbol + static_cast<std::size_t>(LengthCode(symbol.value))];
        ++distanceCounts[static_cast<std::size_t>(DistanceCode(symbol.distance))];
    }
}

void Block::Clear() {
    symbols.clear();
    literalCounts.fill(0);
    distanceCounts.fill(0);
}

namespace {

// The block's input as it stands, in stored blocks of at most 65,535 bytes.
void WriteStored(BitWriter& bits, std::span<const std::uint8_t> input, bool last) {
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(kStoredMax, input.size() - at);
        bits.Put(last && at + n == input.size() ? 1 : 0, 1);
        bits.Put(kStoredBlock, 2);
        bits.AlignToByte();
        const std::array<std::uint8_t, 4> header{
            static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
            static_cast<std::uint8_t>(~n), static_cast<std::uint8_t>(~n >> 8)};
        bits.PutBytes(header);
        bits.PutBytes(input.subspan(at, n));
        at += n;
    } while (at < input.size());
}

}  // namespace

namespace {

std::size_t Used(std::span<const std::uint32_t> counts) {
    return static_cast<std::size_t>(
        std::count_if(counts.begin(), counts.end(), [](std::uint32_t c) { return c > 0; }));
}

// The Huffman codes of one block and the code lengths as its header stores them.
struct DynamicCodes {
    std::array<std::uint8_t, kLiteralLengthSymbols> literalLengths{};
    std::array<std::uint8_t, kDistanceSymbols> distanceLengths{};
    // Codes stored: the last ones unused are left out.
    std::size_t literalCount = kLiteralLengthSymbols;
    std::size_t distanceCount = kDistanceSymbols;
    std::vector<LengthRun> runs;  // both codes' lengths as one sequence
    std::array<std::uint8_t, kCodeLengthSymbols> runLengths{};
    std::size_t runLengthCount = kCodeLengthSymbols;

    explicit DynamicCodes(const Block& block) {
        std::array<std::uint32_t, kLiteralLengthSymbols> literals = block.literalCounts;
        std::array<std::uint32_t, kDistanceSymbols> distances = block.distanceCounts;
        literals[kEndOfBlock] = 1;
        // Inflaters want complete codes: two symbols at least in each.
        if (Used(literals) < 2) literals[0] = std::max<std::uint32_t>(literals[0], 1);
        for (std::size_t s = 0; Used(distances) < 2; ++s) {
            distances[s] = std::max<std::uint32_t>(distances[s], 1);
        }
        literalLengths = CodeLengths(literals, kMaxCodeBits);
        distanceLengths = CodeLengths(distances, kMaxCodeBits);
        while (literalCount > kFirstLengthSymbol && literalLengths[literalCount - 1] == 0)
            --literalCount;
        while (distanceCount > 1 && distanceLengths[distanceCount - 1] == 0)
            --distanceCount;
        std::vector<std::uint8_t> sequence(
            literalLengths.begin(),
            literalLengths.begin() + static_cast<std::ptrdiff_t>(literalCount));
        sequence.insert(sequence.end(), distanceLengths.begin(),
                        distanceLengths.begin() + static_cast<std::ptrdiff_t>(distanceCount));
        runs = FoldLengths(sequence);
        std::array<std::uint32_t, kCodeLengthSymbols> runCounts{};
        for (const LengthRun& r : runs)
            ++runCounts[r.symbol];
        if (Used(runCounts) < 2) runCounts[runs.front().symbol == 0 ? 1 : 0] = 1;
        runLengths = CodeLengths(runCounts, kMaxCodeLengthBits);
        while (runLengthCount > 4 && runLengths[kCodeLengthOrder[runLengthCount - 1]] == 0)
            --runLengthCount;
    }

    // The size of the block written with these codes, in bits.
    [[nodiscard]] std::uint64_t Bits(const Block& block) const {
        std::uint64_t bits = 3 + 5 + 5 + 4 + 3 * runLengthCount + literalLengths[kEndOfBlock];
        for (const LengthRun& r : runs)
            bits += runLengths[r.symbol] + static_cast<std::uint64_t>(RepeatExtraBits(r.symbol));
        for (std::size_t s = 0; s < kLiteralLengthSymbols; ++s) {
            const int extra =
                s > kEndOfBlock ? LengthExtraBits(static_cast<int>(s - kFirstLengthSymbol)) : 0;
            bits += std::uint64_t{block.literalCounts[s]} *
                    (literalLengths[s] + static_cast<std::uint64_t>(extra));
        }
        for (std::size_t s = 0; s < kDistanceSymbols; ++s) {
            const int extra = DistanceExtraBits(static_cast<int>(s));
            bits += std::uint64_t{block.distanceCounts[s]} *
                    (distanceLengths[s] + static_cast<std::uint64_t>(extra));
        }
        return bits;
    }

    void Write(BitWriter& bits, const Block& block, bool last) const {
        const auto literalCodes = Codes(literalLengths);
        const auto distanceCodes = Codes(distanceLengths);
        const auto runCodes = Codes(runLengths);
        bits.Put(last ? 1 : 0, 1);
        bits.Put(kDynamicBlock, 2);
        bits.Put(static_cast<std::uint32_t>(literalCount - kFirstLengthSymbol), 5);
        bits.Put(static_cast<std::uint32_t>(distanceCount - 1), 5);
        bits.Put(static_cast<std::uint32_t>(runLengthCount - 4), 4);
        for (std::size_t i = 0; i < runLengthCount; ++i)
            bits.Put(runLengths[kCodeLengthOrder[i]], 3);
        for (const LengthRun& r : runs) {
            bits.Put(runCodes[r.symbol], runLengths[r.symbol]);
            if (const int extra = RepeatExtraBits(r.symbol); extra > 0) bits.Put(r.extra, extra);
        }
        for (const Symbol& s : block.symbols) {
            if (s.distance == 0) {
                bits.Put(literalCodes[s.value], literalLengths[s.value]);
                continue;
            }
            const int lc = LengthCode(s.value);
            const auto ls = kFirstLengthSymbol + static_cast<std::size_t>(lc);
            bits.Put(literalCodes[ls], literalLengths[ls]);
            bits.Put(s.value - kLengthBase[static_cast<std::size_t>(lc)], LengthExtraBits(lc));
            const auto dc = static_cast<std::size_t>(DistanceCode(s.distance));
            bits.Put(distanceCodes[dc], distanceLengths[dc]);
            bits.Put(s.distance - kDistanceBase[dc], DistanceExtraBits(static_cast<int>(dc)));
        }
        bits.Put(literalCodes[kEndOfBlock], literalLengths[kEndOfBlock]);
    }
};

}  // namespace

void WriteBlock(BitWriter& bits, const Block& block, std::span<const std::uint8_t> input,
                bool last) {
    const DynamicCodes codes(block);
    const std::uint64_t storedBlocks =
        std::max<std::uint64_t>(1, (input.size() + kStoredMax - 1) / kStoredMax);
    const std::uint64_t storedBits = storedBlocks * (3 + 7 + 32) + 8 * std::uint64_t{input.size()};
    if (storedBits < codes.Bits(block)) {
        WriteStored(bits, input, last);
    } else {
        codes.Write(bits, block, last);
    }
}

}  // namespace tintwell::deflate
