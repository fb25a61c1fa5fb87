#include "deflate/huffman_code.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "deflate/deflate_block.h"

namespace tintwell::deflate {
namespace {

// Counts that grow along the symbols: like the Fibonacci numbers for the first 30 (the
// optimal code for n of them is n - 1 bits deep, past any limit deflate sets once n > 16),
// then by one.
template <std::size_t N>
std::array<std::uint32_t, N> GrowingCounts(std::size_t used) {
    std::array<std::uint32_t, N> counts{};
    std::uint32_t a = 1;
    std::uint32_t b = 1;
    for (std::size_t s = 0; s < used; ++s) {
        counts[s] = a;
        b = s < 30 ? std::exchange(a, a + b) : std::exchange(a, a + 1);
    }
    return counts;
}

// Reads each symbol's canonical code back bit by bit (low bit first, as written) through a
// table built from the lengths alone, as an inflater does: every symbol must decode to
// itself.
template <std::size_t N>
void ExpectCanonicalCodesDecode(const std::array<std::uint8_t, N>& lengths) {
    const std::array<std::uint16_t, N> codes = Codes(lengths);
    // The inflater's view: codes assigned in order of length, then of symbol.
    std::map<std::pair<int, std::uint32_t>, std::size_t> table;
    std::uint32_t code = 0;
    for (int l = 1; l <= kMaxCodeBits; ++l) {
        for (std::size_t s = 0; s < N; ++s) {
            if (lengths[s] == l) table[{l, code++}] = s;
        }
        code <<= 1;
    }
    for (std::size_t s = 0; s < N; ++s) {
        if (lengths[s] == 0) continue;
        std::uint32_t read = 0;
        for (int i = 0; i < lengths[s]; ++i)
            read = (read << 1) | ((codes[s] >> i) & 1u);
        const auto found = table.find({lengths[s], read});
        ASSERT_NE(found, table.end()) << "symbol " << s;
        EXPECT_EQ(found->second, s);
    }
}

// The sum of 2^-length over the coded symbols, in units of 2^-limit.
template <std::size_t N>
std::uint64_t KraftSum(const std::array<std::uint8_t, N>& lengths, int limit) {
    std::uint64_t sum = 0;
    for (const std::uint8_t l : lengths) {
        if (l > 0) sum += std::uint64_t{1} << (limit - l);
    }
    return sum;
}

struct LimitCase {
    const char* name;
    std::size_t used;  // symbols with a count, growing along the symbols
    int limit;
};

class LiteralCodeLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(LiteralCodeLimit, CodesStayWithinTheLimitCompleteAndDecodable) {
    const LimitCase c = GetParam();
    const auto counts = GrowingCounts<kLiteralLengthSymbols>(c.used);
    const auto lengths = CodeLengths(counts, c.limit);
    const int longest = *std::max_element(lengths.begin(), lengths.end());
    EXPECT_LE(longest, c.limit);
    for (std::size_t s = 0; s < kLiteralLengthSymbols; ++s)
        EXPECT_EQ(lengths[s] > 0, counts[s] > 0) << "symbol " << s;
    // Complete: inflaters refuse a code with unused bit patterns.
    EXPECT_EQ(KraftSum(lengths, c.limit), std::uint64_t{1} << c.limit);
    // The most frequent symbol never gets a longer code than a rarer one.
    for (std::size_t s = 1; s < c.used; ++s)
        EXPECT_LE(lengths[s], lengths[s - 1]) << "symbol " << s;
    ExpectCanonicalCodesDecode(lengths);
}

INSTANTIATE_TEST_SUITE_P(
    Huffman, LiteralCodeLimit,
    ::testing::Values(LimitCase{"two symbols", 2, kMaxCodeBits},
                      LimitCase{"fits unlimited", 12, kMaxCodeBits},
                      LimitCase{"needs 24 bits, gets 15", 25, kMaxCodeBits},
                      LimitCase{"every literal and length", kLiteralLengthSymbols, kMaxCodeBits},
                      LimitCase{"code-length code limit", 19, kMaxCodeLengthBits}),
    [](const ::testing::TestParamInfo<LimitCase>& info) {
        std::string name = info.param.name;
        std::replace_if(
            name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); }, '_');
        return name;
    });

// Equal counts over all 19 code-length symbols: 5 bits for most, within the 7-bit limit.
TEST(Huffman, EqualCountsGiveLengthsDifferingByOneAtMost) {
    std::array<std::uint32_t, kCodeLengthSymbols> counts{};
    counts.fill(10);
    const auto lengths = CodeLengths(counts, kMaxCodeLengthBits);
    const auto [shortest, longest] = std::minmax_element(lengths.begin(), lengths.end());
    EXPECT_EQ(*shortest, 4);
    EXPECT_EQ(*longest, 5);
    EXPECT_EQ(KraftSum(lengths, kMaxCodeLengthBits), std::uint64_t{1} << kMaxCodeLengthBits);
}

// Match lengths and distances at the edges of their codes, as the format's tables give them.
TEST(Huffman, LengthAndDistanceCodesFollowTheFormatsTables) {
    const std::pair<std::size_t, int> lengths[] = {{3, 0},   {10, 7},   {11, 8},   {12, 8},
                                                   {13, 9},  {18, 11},  {19, 12},  {34, 15},
                                                   {35, 16}, {227, 27}, {257, 27}, {258, 28}};
    for (const auto& [length, code] : lengths)
        EXPECT_EQ(LengthCode(length), code) << "length " << length;
    EXPECT_EQ(LengthExtraBits(8), 1);
    EXPECT_EQ(LengthExtraBits(27), 5);
    EXPECT_EQ(LengthExtraBits(28), 0);
    const std::pair<std::size_t, int> distances[] = {
        {1, 0},      {4, 3},      {5, 4},      {6, 4},      {7, 5},
        {16384, 27}, {16385, 28}, {24576, 28}, {24577, 29}, {32768, 29}};
    for (const auto& [distance, code] : distances)
        EXPECT_EQ(DistanceCode(distance), code) << "distance " << distance;
    EXPECT_EQ(DistanceExtraBits(3), 0);
    EXPECT_EQ(DistanceExtraBits(4), 1);
    EXPECT_EQ(DistanceExtraBits(29), 13);
}

}  // namespace
}  // namespace tintwell::deflate
