#pragma once

#include <cstddef>

// The numbers the deflate format (RFC 1951) and the zlib wrapper (RFC 1950) fix.
namespace tintwell::deflate {

// Literal/length alphabet: bytes 0..255, end of block 256, length codes 257..285. The
// format numbers 288 symbols; 286 and 287 never occur in a valid stream.
inline constexpr std::size_t kLiterals = 256;
inline constexpr std::size_t kEndOfBlock = 256;
inline constexpr std::size_t kFirstLengthSymbol = 257;
inline constexpr std::size_t kLengthCodes = 29;
inline constexpr std::size_t kLiteralLengthSymbols = 286;
inline constexpr std::size_t kLiteralLengthAlphabet = 288;

// Distance alphabet: codes 0..29; 30 and 31 are numbered but never occur.
inline constexpr std::size_t kDistanceSymbols = 30;
inline constexpr std::size_t kDistanceAlphabet = 32;

// The code-length alphabet that codes a dynamic block's two code lengths: lengths 0..15,
// 16 (repeat the last length 3..6 times), 17 (3..10 zeros), 18 (11..138 zeros).
inline constexpr std::size_t kCodeLengthSymbols = 19;
inline constexpr std::size_t kRepeatLast = 16;
inline constexpr std::size_t kRepeatZeros = 17;
inline constexpr std::size_t kRepeatManyZeros = 18;

// The longest codes each alphabet may have.
inline constexpr int kMaxCodeBits = 15;
inline constexpr int kMaxCodeLengthBits = 7;

// Matches: 3 to 258 bytes, at most 32 KiB back.
inline constexpr std::size_t kMinMatch = 3;
inline constexpr std::size_t kMaxMatch = 258;
inline constexpr std::size_t kWindow = 32768;

// A stored block holds at most this many bytes.
inline constexpr std::size_t kStoredMax = 65535;

// Block types, the two bits after the last-block bit.
inline constexpr unsigned kStoredBlock = 0;
inline constexpr unsigned kDynamicBlock = 2;

}  // namespace tintwell::deflate
