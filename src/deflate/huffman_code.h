#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

#include "deflate/deflate_format.h"

// Huffman codes as deflate (RFC 1951) stores them: lengths limited, codes canonical.
namespace tintwell::deflate {

// How many leaves of a Huffman tree (their depths the first `leaves` of `depth`) get each
// length 0..limit when none may be longer than `limit`: lengths past it are cut to it, then
// leaves move down a level, two for one, until the code is exactly complete again.
[[nodiscard]] inline std::vector<int> LimitedLengthCounts(const std::vector<int>& depth,
                                                          std::size_t leaves, int limit) {
    std::vector<int> perLength(static_cast<std::size_t>(limit) + 1, 0);
    for (std::size_t i = 0; i < leaves; ++i)
        ++perLength[static_cast<std::size_t>(std::min(depth[i], limit))];
    std::uint64_t total = 0;
    for (int l = 1; l <= limit; ++l) {
        total += static_cast<std::uint64_t>(perLength[static_cast<std::size_t>(l)]) << (limit - l);
    }
    while (total > (std::uint64_t{1} << limit)) {
        --perLength[static_cast<std::size_t>(limit)];
        for (int l = limit - 1; l > 0; --l) {
            if (perLength[static_cast<std::size_t>(l)] > 0) {
                --perLength[static_cast<std::size_t>(l)];
                perLength[static_cast<std::size_t>(l) + 1] += 2;
                break;
            }
        }
        --total;
    }
    return perLength;
}

// Huffman code lengths for `counts`, none longer than `limit` bits. Every symbol with a
// count gets a length; with two or more of them the code is complete, as inflaters demand.
template <std::size_t N>
[[nodiscard]] std::array<std::uint8_t, N> CodeLengths(const std::array<std::uint32_t, N>& counts,
                                                      int limit) {
    std::array<std::uint8_t, N> lengths{};
    std::vector<int> used;
    for (std::size_t s = 0; s < N; ++s) {
        if (counts[s] > 0) used.push_back(static_cast<int>(s));
    }
    if (used.empty()) return lengths;
    if (used.size() == 1) {
        lengths[static_cast<std::size_t>(used[0])] = 1;
        return lengths;
    }
    // The tree: leaves 0..m-1 (in `used` order), inner nodes after them.
    const std::size_t m = used.size();
    std::vector<int> parent(2 * m - 1, -1);
    using Node = std::pair<std::uint64_t, int>;  // weight, node
    std::priority_queue<Node, std::vector<Node>, std::greater<>> queue;
    for (std::size_t i = 0; i < m; ++i)
        queue.emplace(counts[static_cast<std::size_t>(used[i])], i);
    for (auto next = static_cast<int>(m); queue.size() > 1; ++next) {
        const Node a = queue.top();
        queue.pop();
        const Node b = queue.top();
        queue.pop();
        parent[static_cast<std::size_t>(a.second)] = next;
        parent[static_cast<std::size_t>(b.second)] = next;
        queue.emplace(a.first + b.first, next);
    }
    // Depths, from the root (the last node) down: a parent always comes after its children.
    std::vector<int> depth(2 * m - 1, 0);
    for (std::size_t i = 2 * m - 1; i-- > 0;) {
        if (parent[i] >= 0) depth[i] = depth[static_cast<std::size_t>(parent[i])] + 1;
    }
    const std::vector<int> perLength = LimitedLengthCounts(depth, m, limit);
    // The shortest lengths to the most frequent symbols.
    std::stable_sort(used.begin(), used.end(), [&](int a, int b) {
        return counts[static_cast<std::size_t>(a)] > counts[static_cast<std::size_t>(b)];
    });
    std::size_t next = 0;
    for (int l = 1; l <= limit; ++l) {
        for (int k = 0; k < perLength[static_cast<std::size_t>(l)]; ++k) {
            lengths[static_cast<std::size_t>(used[next++])] = static_cast<std::uint8_t>(l);
        }
    }
    return lengths;
}

// Canonical codes for `lengths` (RFC 1951, 3.2.2), bit-reversed to be written low bit first.
template <std::size_t N>
[[nodiscard]] std::array<std::uint16_t, N> Codes(const std::array<std::uint8_t, N>& lengths) {
    std::array<int, kMaxCodeBits + 2> perLength{};
    for (const std::uint8_t l : lengths)
        ++perLength[l];
    perLength[0] = 0;
    std::array<std::uint32_t, kMaxCodeBits + 2> next{};
    std::uint32_t code = 0;
    for (std::size_t l = 1; l <= kMaxCodeBits; ++l) {
        code = (code + static_cast<std::uint32_t>(perLength[l - 1])) << 1;
        next[l] = code;
    }
    std::array<std::uint16_t, N> codes{};
    for (std::size_t s = 0; s < N; ++s) {
        const int l = lengths[s];
        if (l == 0) continue;
        std::uint32_t c = next[static_cast<std::size_t>(l)]++;
        std::uint32_t reversed = 0;
        for (int i = 0; i < l; ++i, c >>= 1)
            reversed = (reversed << 1) | (c & 1);
        codes[s] = static_cast<std::uint16_t>(reversed);
    }
    return codes;
}

}  // namespace tintwell::deflate
