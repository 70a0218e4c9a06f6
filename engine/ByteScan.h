// SPDX-License-Identifier: GPL-3.0-or-later
// ByteScan: finding bytes in text several at a time, for the line reader's line ends and the
// line conversion's blanks, zeros and signs.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#define TESSAVO_SCAN_SSE2 1
#include <emmintrin.h>
#endif

// The runs that the reader and the conversion look for (a line end, a word's end, its
// leading zeros) vary in length, and a loop over single bytes would mispredict its end
// every time. These look at 8 bytes at a time in a 64-bit word, or at 16 in an SSE2
// register, which every x86-64 processor has. None reads a byte outside the range given.
namespace tessavo::scan {

// Eight copies of `c`.
constexpr std::uint64_t Repeated(char c) {
    return 0x0101010101010101ULL * static_cast<unsigned char>(c);
}

// The top bit of the first byte of `bytes` that is zero, in memory order; of later bytes
// the borrow may mark some that are not, so callers only look at the first.
constexpr std::uint64_t ZeroBytes(std::uint64_t bytes) {
    return (bytes - Repeated('\x01')) & ~bytes & Repeated('\x80');
}

// Marks the bytes of `bytes` that may be a "+" or a "-" as ZeroBytes marks zero bytes: with
// the bits of 0x06 set, "+" and "-" (like ")" and "/", which the caller tells apart) become
// "/".
constexpr std::uint64_t MaybeSigns(std::uint64_t bytes) {
    return ZeroBytes((bytes | Repeated('\x06')) ^ Repeated('/'));
}

inline std::uint64_t Load8(const char* at) {
    std::uint64_t bytes;
    std::memcpy(&bytes, at, 8);
    return bytes;
}

// The offset of the first byte in memory order that `marks` marks (not zero).
inline std::size_t FirstMarked(std::uint64_t marks) {
    const int bits = std::endian::native == std::endian::little ? std::countr_zero(marks)
                                                                : std::countl_zero(marks);
    return static_cast<std::size_t>(bits) / 8;
}

// The offset of the last byte in memory order that `marks` marks (not zero).
inline std::size_t LastMarked(std::uint64_t marks) {
    const int bits = std::endian::native == std::endian::little ? std::countl_zero(marks)
                                                                : std::countr_zero(marks);
    return 7 - static_cast<std::size_t>(bits) / 8;
}

// The first byte in [begin, end) that is not `c`, or end.
inline const char* SkipRun(char c, const char* begin, const char* end) {
    for (; end - begin >= 8; begin += 8) {
        // Zero bytes where the characters are `c`: exact, no borrow involved.
        if (const std::uint64_t other = Load8(begin) ^ Repeated(c))
            return begin + FirstMarked(other);
    }
    while (begin < end && *begin == c) ++begin;
    return begin;
}

// One past the last byte in [begin, end) that is not `c`, or begin.
inline const char* SkipRunBackward(char c, const char* begin, const char* end) {
    for (; end - begin >= 8; end -= 8) {
        if (const std::uint64_t other = Load8(end - 8) ^ Repeated(c))
            return end - 8 + LastMarked(other) + 1;
    }
    while (end > begin && end[-1] == c) --end;
    return end;
}

// The first `c` in [begin, end), or end.
inline const char* Find(char c, const char* begin, const char* end) {
#ifdef TESSAVO_SCAN_SSE2
    for (const __m128i wanted = _mm_set1_epi8(c); end - begin >= 16; begin += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin));
        if (const int found = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted)))
            return begin + std::countr_zero(static_cast<unsigned>(found));
    }
#endif
    for (; end - begin >= 8; begin += 8) {
        if (const std::uint64_t found = ZeroBytes(Load8(begin) ^ Repeated(c)))
            return begin + FirstMarked(found);
    }
    while (begin < end && *begin != c) ++begin;
    return begin;
}

inline bool IsLineEndOrNul(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// The offset of the first CR, LF or NUL in data[from, size), or size, 8 bytes at a time.
inline std::size_t FindLineEndPortably(const char* data, std::size_t from, std::size_t size) {
    std::size_t i = from;
    for (; i + 8 <= size; i += 8) {
        const std::uint64_t bytes = Load8(data + i);
        if (ZeroBytes(bytes ^ Repeated('\r')) | ZeroBytes(bytes ^ Repeated('\n')) |
            ZeroBytes(bytes))
            break;
    }
    while (i < size && !IsLineEndOrNul(data[i])) ++i;
    return i;
}

// The same, 16 bytes at a time where the processor has SSE2. The reader runs this over
// every byte read, and a line end is rare among them.
inline std::size_t FindLineEnd(const char* data, std::size_t from, std::size_t size) {
#ifdef TESSAVO_SCAN_SSE2
    std::size_t i = from;
    // CR (0x0D), LF (0x0A) and NUL are among the bytes up to 0x0D, which one unsigned
    // minimum finds; the few others there (TABs most of all) are told apart one at a time.
    const __m128i cr = _mm_set1_epi8('\r');
    for (;;) {
        unsigned low = 0;  // a bit for each byte up to 0x0D in the 16 at i
        for (; i + 16 <= size; i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            low = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(bytes, cr), bytes)));
            if (low != 0) break;
        }
        if (low == 0) break;
        for (; low != 0; low &= low - 1) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(low));
            if (IsLineEndOrNul(data[at])) return at;
        }
        i += 16;
    }
    while (i < size && !IsLineEndOrNul(data[i])) ++i;
    return i;
#else
    return FindLineEndPortably(data, from, size);
#endif
}

}  // namespace tessavo::scan
