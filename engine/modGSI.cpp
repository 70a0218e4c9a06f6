// SPDX-License-Identifier: GPL-3.0-or-later
// GSI line conversion: the normal form of data fields, lines on the fixed word grid, and
// lines read word by word on their blanks.
#include "modGSI.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "ByteScan.h"

// The steps for one word belong inlined in the loops over a line's words; compilers do not
// always choose so once a step serves both ways of reading a line (measured: some 15% of
// the conversion's time).
#if defined(__GNUC__)
#define TESSAVO_ALWAYS_INLINE [[gnu::always_inline]] inline
#elif defined(_MSC_VER)
#define TESSAVO_ALWAYS_INLINE __forceinline
#else
#define TESSAVO_ALWAYS_INLINE inline
#endif

namespace tessavo {

namespace {

// The conversions write up to this many characters beyond a data field's end before
// the following characters overwrite them, so that the zero padding is one fixed store.
constexpr std::size_t kPadSlack = 16;

// Copies at most 16 characters with fixed-size copies, which compile to plain loads and
// stores instead of a library call per data field.
inline void CopyShort(const char* from, std::size_t length, char* to) {
    if (length >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + length - 8, from + length - 8, 8);
    } else if (length >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + length - 4, from + length - 4, 4);
    } else {
        for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
    }
}

inline bool IsSign(char c) { return c == '+' || c == '-'; }

// Characters cut away on the left of a value lose something real unless they are only the
// padding a normal form adds or a placeholder carries: zeros, blanks and "-".
inline bool LosesValue(const char* begin, const char* end) {
    for (; begin < end; ++begin) {
        if (*begin != '0' && *begin != ' ' && *begin != '-') return true;
    }
    return false;
}

// Keeps the rightmost `width` characters of [value, end): returns where they start, and
// counts a cut in `cuts` when the characters cut away lose something real.
inline const char* CutToWidth(const char* value, const char* end, std::size_t width, int& cuts) {
    if (static_cast<std::size_t>(end - value) <= width) return value;
    if (LosesValue(value, end - width)) ++cuts;
    return end - width;
}

// Writes `sign` and [value, end), at most `width` characters, right-aligned in `width`
// characters, padded with "0" on the left.
inline char* WriteRightAligned(char sign, const char* value, const char* end, std::size_t width,
                               char* out) {
    *out++ = sign;
    const auto length = static_cast<std::size_t>(end - value);
    if (width > kPadSlack) {
        std::memset(out, '0', width - length);
        if (length > 0) std::memcpy(out + (width - length), value, length);  // value may be null
        return out + width;
    }
    std::memset(out, '0', kPadSlack);
    CopyShort(value, length, out + (width - length));
    return out + width;
}

// Writes the normal form of the `size` characters at `field` at `width` (width + 1
// characters).
char* WriteNumber(const char* field, std::size_t size, std::size_t width, char* out, int& cuts) {
    const char* begin = scan::SkipRun(' ', field, field + size);
    const char* end = scan::SkipRunBackward(' ', begin, field + size);

    // A field ending in "--" stands for a missing value ("+00000000000-----" where an
    // instrument had no height): read as a number, its first "-" would become the sign.
    const char* rest = begin < end && IsSign(*begin) ? begin + 1 : begin;
    if (end - rest >= 2 && end[-1] == '-' && end[-2] == '-') {
        return WriteRightAligned(rest == begin ? '+' : *begin, CutToWidth(rest, end, width, cuts),
                                 end, width, out);
    }

    // One "+" goes, then the leading zeros; a "-" (or a second "+") reached that way
    // becomes the sign. So does any further sign after zeros, and one that a cut leaves in
    // front: cleaning the output again would make it the sign, and cleaning a clean line
    // must change nothing.
    if (begin < end && *begin == '+') ++begin;
    char sign = '+';
    auto takeSign = [&sign, end](const char*& value) {
        for (value = scan::SkipRun('0', value, end); sign == '+' && value < end && IsSign(*value);
             value = scan::SkipRun('0', value, end)) {
            sign = *value++;
        }
    };
    takeSign(begin);
    begin = CutToWidth(begin, end, width, cuts);
    takeSign(begin);
    return WriteRightAligned(sign, begin, end, width, out);
}

// Writes a word's data field. Word 51 holds two numbers, the ppm correction and the prism
// constant, each with its own sign ("+0000-030", "+00000008+0000000"); read as one number
// they would merge. Its constant starts at the last sign after the field's first character.
char* WriteField(bool word51, const char* field, std::size_t size, std::size_t width, char* out,
                 int& cuts) {
    if (word51) {
        for (std::size_t constant = size; constant-- > 1;) {
            if (IsSign(field[constant])) {
                out = WriteNumber(field, constant, width - 4, out, cuts);
                return WriteNumber(field + constant, size - constant, 3, out, cuts);
            }
        }
    }
    return WriteNumber(field, size, width, out, cuts);
}

// Writes `sign` and the kLength characters at `value` right-aligned in kWidth characters;
// when kLength is more, the characters cut away must be zeros (see IsPlainField).
template <std::size_t kLength, std::size_t kWidth>
char* WriteAligned(char sign, const char* value, char* out) {
    *out++ = sign;
    if constexpr (kWidth >= kLength) {
        std::memset(out, '0', kWidth - kLength);
        std::memcpy(out + (kWidth - kLength), value, kLength);
    } else {
        std::memcpy(out, value + (kLength - kWidth), kWidth);
    }
    return out + kWidth;
}

// Whether the kCount characters at `begin` are all "0".
template <std::size_t kCount>
inline bool AllZeros(const char* begin) {
    static_assert(kCount == 8, "the fields cut to a narrower format lose eight characters");
    std::uint64_t bytes;
    std::memcpy(&bytes, begin, 8);
    return bytes == scan::Repeated('0');
}

// Most data fields of kFieldSize characters, the size of a GSI-8 (9) or a GSI-16 (17)
// word's field, need none of the rewriting rules at kWidth: their normal form is their sign
// followed by their own value characters, right-aligned. That holds after a "-" in the sign
// place, and after a "+" as long as no second sign follows its leading zeros (those are
// removed and padded back, which changes nothing). A blank at either end, which trimming
// would remove, rules it out, and so does a narrower width unless it only cuts zeros.
template <std::size_t kFieldSize, std::size_t kWidth>
TESSAVO_ALWAYS_INLINE bool IsPlainField(const char* field) {
    const char first = field[0];
    if (!IsSign(first) || field[kFieldSize - 1] == ' ') return false;
    constexpr std::size_t kCut = kWidth + 1 < kFieldSize ? kFieldSize - 1 - kWidth : 0;
    if constexpr (kCut > 0) {
        if (!AllZeros<kCut>(field + 1)) return false;
    }
    if (first == '-') return true;
    const char* value = scan::SkipRun('0', field + 1 + kCut, field + kFieldSize);
    return value == field + kFieldSize || !IsSign(*value);
}

// A field that ends in "--" keeps its characters (see WriteNumber).
inline bool EndsInPlaceholder(const char* field, std::size_t size) {
    return size >= 3 && field[size - 1] == '-' && field[size - 2] == '-';
}

// The same for a field read on its blanks (so without blanks) of at most kWidth + 1
// characters, which no cut touches: "+1234" becomes "+00001234" at width 8. A placeholder
// keeps its characters too.
template <std::size_t kWidth>
TESSAVO_ALWAYS_INLINE bool IsPlainShortField(const char* field, std::size_t size) {
    if (!IsSign(field[0]) || size > kWidth + 1) return false;
    if (field[0] == '-') return true;
    const char* value = scan::SkipRun('0', field + 1, field + size);
    return value == field + size || !IsSign(*value) || EndsInPlaceholder(field, size);
}

// The same for word 51's two numbers. Instruments write its prism constant in the last four
// characters ("+0017-030"): a sign and three characters that are their own normal form.
template <std::size_t kFieldSize, std::size_t kWidth>
TESSAVO_ALWAYS_INLINE bool IsPlainField(bool word51, const char* field) {
    if (!word51) return IsPlainField<kFieldSize, kWidth>(field);
    const char* constant = field + kFieldSize - 4;
    return IsSign(constant[0]) && !IsSign(constant[1]) && !IsSign(constant[2]) &&
           !IsSign(constant[3]) && constant[3] != ' ' &&
           IsPlainField<kFieldSize - 4, kWidth - 4>(field);
}

// Writes a data field of kFieldSize characters at kWidth.
template <std::size_t kFieldSize, std::size_t kWidth>
TESSAVO_ALWAYS_INLINE char* WriteFixedField(bool word51, const char* field, char* out, int& cuts) {
    if (!IsPlainField<kFieldSize, kWidth>(word51, field)) {
        return WriteField(word51, field, kFieldSize, kWidth, out, cuts);
    }
    if constexpr (kWidth == kFieldSize - 1) {
        std::memcpy(out, field, kFieldSize);  // the field stays as it is
        return out + kFieldSize;
    } else if (word51) {
        out = WriteAligned<kFieldSize - 5, kWidth - 4>(field[0], field + 1, out);
        std::memcpy(out, field + kFieldSize - 4, 4);
        return out + 4;
    } else {
        return WriteAligned<kFieldSize - 1, kWidth>(field[0], field + 1, out);
    }
}

inline bool IsWord51(const char* word) { return word[0] == '5' && word[1] == '1'; }

inline bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// Blanks and control characters alone (blanks after the last word, a gap in the line, a TAB
// or a DOS end mark that an editor left) are no word.
inline bool IsNoWord(const char* begin, const char* end) {
    for (; begin < end; ++begin) {
        if (static_cast<unsigned char>(*begin) > ' ') return false;
    }
    return true;
}

// Whether one of the four characters at positions 3 to 6 of `word` is a sign. One look at
// the four finds most words without one.
inline bool HasInnerSign(const char* word) {
    std::uint32_t four;
    std::memcpy(&four, word + 2, 4);
    // The other four bytes: none that may be a sign.
    if (scan::MaybeSigns(four | 0xffffffff00000000ULL) == 0) return false;
    return IsSign(word[2]) || IsSign(word[3]) || IsSign(word[4]) || IsSign(word[5]);
}

// Writes a word whose field needs no rewriting (IsPlainField, not word 51) in another
// format: the value padded with zeros or cut by its leading zeros.
template <std::size_t kWordSize, std::size_t kWidth>
TESSAVO_ALWAYS_INLINE char* WritePlainWord(const char* word, char* out) {
    constexpr std::size_t kValue = kWordSize - 8;
    std::memcpy(out, word, 7);  // index, information characters, sign
    if constexpr (kWidth > kValue) {
        std::memset(out + 7, '0', kWidth - kValue);
        std::memcpy(out + 7 + (kWidth - kValue), word + 7, kValue + 1);  // value, blank
    } else {
        std::memcpy(out + 7, word + 7 + (kValue - kWidth), kWidth + 1);
    }
    return out + kWidth + 8;
}

// Writes one word of a line on the fixed grid of kWordSize-character words, or answers
// false when it shows the line to be off the grid: neither sign nor blank at position 7, or
// a blank there after a sign at positions 3 to 6 (cut at fixed widths, "87..+1" and blanks
// would lose its sign and value among its information characters).
template <std::size_t kWordSize, std::size_t kWidth>
TESSAVO_ALWAYS_INLINE bool WriteGridWord(const char* word, char*& out, int& cuts) {
    constexpr std::size_t kField = kWordSize - 7;
    if (!IsSign(word[6])) {
        if (IsNoWord(word, word + kWordSize)) return true;
        if (word[6] != ' ' || HasInnerSign(word)) return false;
    }
    const bool word51 = IsWord51(word);
    if constexpr (kWidth == kField - 1) {
        if (IsPlainField<kField, kWidth>(word51, word + 6)) {
            std::memcpy(out, word, kWordSize);  // the word stays as it is
            out += kWordSize;
            return true;
        }
    }
    if constexpr (kWidth != kField - 1) {
        if (!word51 && IsPlainField<kField, kWidth>(word + 6)) {
            out = WritePlainWord<kWordSize, kWidth>(word, out);
            return true;
        }
    }
    // The index and information characters go last: a store before the field's rewriting
    // would make the compiler read the characters it has tested again, as `out` might
    // point into the word.
    char* end = WriteFixedField<kField, kWidth>(word51, word + 6, out + 6, cuts);
    std::memcpy(out, word, 6);
    *end++ = ' ';
    out = end;
    return true;
}

// Whether the partial word [begin, end), completed with blanks to `size` characters, holds
// after its first blank a word with a sign at positions 3 to 7.
inline bool HoldsSecondWord(const char* begin, const char* end, std::size_t size) {
    for (const char* word = scan::Find(' ', begin, begin + size); word < end;) {
        word = scan::SkipRun(' ', word, end);
        const char* wordEnd = scan::Find(' ', word, end);
        for (const char* c = word + 2; c < wordEnd && c < word + 7; ++c) {
            if (IsSign(*c)) return true;
        }
        word = wordEnd;
    }
    return false;
}

// The count of values cut, as the conversion keeps it for the run.
struct CutCount {
    int values = 0;
    // Told after each data field written; only CutList wants to know more.
    void Note(const char*, const char*, std::size_t, const char*, const char*, int) {}
};

// The count, and every value cut: the conversion's own steps make the list, so that it
// agrees with the count.
struct CutList {
    int values = 0;
    std::vector<CutValue> list;
    // The field of `word` at [field, field + size) was written as [written, writtenEnd);
    // the count stood at `before` ahead of it.
    void Note(const char* word, const char* field, std::size_t size, const char* written,
              const char* writtenEnd, int before) {
        for (; before < values; ++before) {
            list.push_back(
                {std::string(word, 2), std::string(field, size), std::string(written, writtenEnd)});
        }
    }
};

// Writes the words of a line on the fixed grid of kWordSize-character words, a partial last
// word completed with blanks. Returns nullptr, having written anything, as soon as the line
// turns out to be off the grid: a whole word that does not end in a blank, or a word that
// WriteGridWord refuses. (Checking as it goes costs a line on the grid less than a separate
// pass.)
template <std::size_t kWordSize, std::size_t kWidth, class Cuts>
char* WriteGridWords(std::string_view text, char* out, Cuts& cuts) {
    constexpr std::size_t kField = kWordSize - 7;
    const char* word = text.data();
    const std::size_t whole = text.size() / kWordSize;
    // A word off the grid shifts the words after it: the last whole word shows most such
    // lines before anything is written.
    if (whole > 1 && word[whole * kWordSize - 1] != ' ') return nullptr;
    for (const char* const end = word + whole * kWordSize; word < end; word += kWordSize) {
        if (word[kWordSize - 1] != ' ') return nullptr;
        const int before = cuts.values;
        char* const written = out;
        if (!WriteGridWord<kWordSize, kWidth>(word, out, cuts.values)) return nullptr;
        cuts.Note(word, word + 6, kField, written + 6, out - 1, before);
    }
    if (const std::size_t have = text.size() - whole * kWordSize) {
        if (IsNoWord(word, word + have)) return out;
        char padded[kWordSize];
        std::memcpy(padded, word, have);
        std::memset(padded + have, ' ', kWordSize - have);
        // A partial last word has no grid after it to show whether it belongs on one: a
        // sign before position 7 ("86..+1", "51+0017-030") or a second word after a blank
        // ("87..10+1500 88..10+1500" after a "*") shows that it does not. Without a sign at
        // position 7 it is a fragment (a word cut short by a transfer, "21.3"), not a value
        // of zero: read on its blanks, it is a word without a sign, and the line is copied
        // unchanged.
        const int before = cuts.values;
        char* const written = out;
        if (HasInnerSign(padded) || HoldsSecondWord(padded, padded + have, kWordSize) ||
            !IsSign(padded[6]) || !WriteGridWord<kWordSize, kWidth>(padded, out, cuts.values)) {
            return nullptr;
        }
        cuts.Note(word, word + 6, std::min(have, kWordSize - 1) - 6, written + 6, out - 1, before);
    }
    return out;
}

// Finds the sign of the word at `word` (not a blank) at positions 3 to 7 and the word's end,
// and writes its index and information characters, padded with "." to four. Returns the
// sign's offset in the word, 0 when the word has no index of two digits or no such sign (a
// blank or the end comes first).
inline std::size_t WriteWordStartSlowly(const char* word, const char* end, const char*& wordEnd,
                                        char* out) {
    wordEnd = scan::Find(' ', word, end);
    const auto size = static_cast<std::size_t>(wordEnd - word);
    if (size < 2 || !IsDigit(word[0]) || !IsDigit(word[1])) return 0;
    std::size_t sign = 2;
    while (sign < 7 && sign < size && !IsSign(word[sign])) ++sign;
    if (sign == 7 || sign >= size) return 0;
    std::memset(out, '.', 6);
    std::memcpy(out, word, sign);
    return sign;
}

// Writes the word's first eight characters with those from `sign` to 6 made ".", the
// index and information characters padded (the last two are overwritten by the data field).
inline void WritePaddedStart(const char* word, std::size_t sign, char* out) {
    std::uint64_t bytes = scan::Load8(word);
    if (sign < 6) {
        const std::uint64_t kept = (std::uint64_t{1} << (8 * sign)) - 1;
        bytes = (bytes & kept) | (scan::Repeated('.') & ~kept);
    }
    std::memcpy(out, &bytes, 8);
}

// The same, with one look at the word's first eight characters (sixteen with SSE2), which
// finds the sign and often the end (always that of a GSI-8 word with SSE2).
inline std::size_t WriteWordStart(const char* word, const char* end, const char*& wordEnd,
                                  char* out) {
#ifdef TESSAVO_SCAN_SSE2
    if (end - word >= 16) {
        if (!IsDigit(word[0]) || !IsDigit(word[1])) return 0;
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(word));
        const unsigned blanks =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '))));
        const unsigned signs = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
            _mm_cmpeq_epi8(bytes, _mm_set1_epi8('+')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('-')))));
        // Positions 3 to 7: a sign there ends the information characters, a blank the word.
        const unsigned first = (blanks | signs) & 0x7c;
        if (first == 0) return 0;
        const auto at = static_cast<std::size_t>(std::countr_zero(first));
        if (((signs >> at) & 1) == 0) return 0;
        wordEnd = blanks ? word + std::countr_zero(blanks) : scan::Find(' ', word + 16, end);
        WritePaddedStart(word, at, out);
        return at;
    }
#endif
    if (std::endian::native != std::endian::little || end - word < 8) {
        return WriteWordStartSlowly(word, end, wordEnd, out);
    }
    const std::uint64_t bytes = scan::Load8(word);
    // Two digits: "0" to "9" are the characters 0x30 to 0x39, whose high half is 3 and stays
    // 3 when 6 is added.
    const std::uint64_t index = bytes & 0xffff;
    if ((((index & 0xf0f0) ^ 0x3030) | (((index + 0x0606) & 0xf0f0) ^ 0x3030)) != 0) return 0;
    // Shifted so that no match before the positions looked at can mark one in them.
    const std::uint64_t blank = scan::ZeroBytes((bytes >> 8) ^ scan::Repeated(' ')) << 8;
    const std::uint64_t sign = (scan::MaybeSigns(bytes >> 16) << 16) & 0x00ffffffffff0000ULL;
    if ((blank | sign) == 0) return 0;  // no blank at positions 2 to 8, no sign at 3 to 7
    const std::size_t at = scan::FirstMarked(blank | sign);
    if (!IsSign(word[at])) {
        if (word[at] == ' ') return 0;
        return WriteWordStartSlowly(word, end, wordEnd, out);  // ")" or "/" first
    }
    WritePaddedStart(word, at, out);
    wordEnd = blank ? word + scan::FirstMarked(blank) : scan::Find(' ', word + 8, end);
    return at;
}

// Writes the words of a line off the grid, read on its blanks: a word's index is its first
// two characters, two digits; its information characters run up to the first sign at
// positions 3 to 7 (padded with "." to four), its data field from that sign to its end.
// Returns nullptr when a word is no such word (and not only control characters).
template <std::size_t kWidth, class Cuts>
char* WriteReadWords(std::string_view text, char* out, Cuts& cuts) {
    const char* word = text.data();
    const char* const end = word + text.size();
    for (;;) {
        if (word < end && *word == ' ') ++word;  // mostly one blank between words
        if (word < end && *word == ' ') word = scan::SkipRun(' ', word, end);
        if (word == end) return out;
        const char* wordEnd;
        const std::size_t sign = WriteWordStart(word, end, wordEnd, out);
        if (sign == 0) {
            wordEnd = scan::Find(' ', word, end);
            if (!IsNoWord(word, wordEnd)) return nullptr;
            word = wordEnd;
            continue;
        }
        out += 6;
        const char* field = word + sign;
        const auto fieldSize = static_cast<std::size_t>(wordEnd - field);
        const int before = cuts.values;
        char* const written = out;
        if (fieldSize == 17) {
            out = WriteFixedField<17, kWidth>(IsWord51(word), field, out, cuts.values);
        } else if (fieldSize == 9) {
            out = WriteFixedField<9, kWidth>(IsWord51(word), field, out, cuts.values);
        } else if (!IsWord51(word) && IsPlainShortField<kWidth>(field, fieldSize)) {
            out = WriteRightAligned(field[0], field + 1, wordEnd, kWidth, out);
        } else {
            out = WriteField(IsWord51(word), field, fieldSize, kWidth, out, cuts.values);
        }
        cuts.Note(word, field, fieldSize, written, out, before);
        *out++ = ' ';
        word = wordEnd;
    }
}

[[noreturn]] void ThrowTooLong(std::size_t length) {
    throw GsiOverflowError("GSI line too long: " + std::to_string(length) + " characters");
}

template <std::size_t kWidth, class Cuts>
LineConversion Convert(std::string_view line, char* const out, Cuts& cuts) {
    if (line.size() > static_cast<std::size_t>(kMaxWordText)) ThrowTooLong(line.size());
    const bool star = !line.empty() && line.front() == '*';
    const std::string_view text = star ? line.substr(1) : line;
    char* const words = kWidth == 16 ? out + 1 : out;

    char* end = star ? WriteGridWords<24, kWidth>(text, words, cuts)
                     : WriteGridWords<16, kWidth>(text, words, cuts);
    if (end) {
        const std::size_t completed =
            star ? (text.size() + 23) / 24 * 24 : (text.size() + 15) / 16 * 16;
        if (completed > static_cast<std::size_t>(kMaxWordText)) ThrowTooLong(completed);
    } else {
        cuts = {};
        end = WriteReadWords<kWidth>(text, words, cuts);
        if (!end) {
            std::memcpy(out, line.data(), line.size());
            return {line.size(), 0, true};
        }
    }
    if (end == words) return {};  // no words: an empty line in either format
    if (*words == '*') {
        // A first word that begins with "*" would make a GSI-8 line read as a GSI-16 one.
        // Copied unchanged in either format, the line reads the same through both.
        std::memcpy(out, line.data(), line.size());
        return {line.size(), 0, true};
    }
    if constexpr (kWidth == 16) out[0] = '*';
    return {static_cast<std::size_t>(end - out), cuts.values, false};
}

template <std::size_t kWidth>
LineConversion Convert(std::string_view line, char* const out) {
    CutCount cuts;
    return Convert<kWidth>(line, out, cuts);
}

template <std::size_t kWidth>
std::string ConvertToString(std::string_view line) {
    if (line.size() > static_cast<std::size_t>(kMaxWordText)) ThrowTooLong(line.size());
    std::string out(MaxConvertedLength(line.size()), '\0');
    out.resize(Convert<kWidth>(line, out.data()).size);
    return out;
}

}  // namespace

std::size_t MaxConvertedLength(std::size_t lineLength) {
    // Read on its blanks, a line holds at most one word for every four characters (three
    // up to its sign and a blank), and every word becomes at most 24 characters; a line on
    // the grid has fewer words. Then the "*" and the room that the zero padding of the last
    // field may use.
    return (lineLength / 4 + 1) * 24 + 1 + kPadSlack;
}

std::string FormatDataField(std::string_view field, int width) {
    if (width < 0) throw std::invalid_argument("negative data field width");
    const auto w = static_cast<std::size_t>(width);
    std::string out(w + 1 + kPadSlack, '\0');
    int cuts = 0;
    out.resize(static_cast<std::size_t>(
        WriteNumber(field.data(), field.size(), w, out.data(), cuts) - out.data()));
    return out;
}

std::string ConvertToGSI8(std::string_view line) { return ConvertToString<8>(line); }
std::string ConvertToGSI16(std::string_view line) { return ConvertToString<16>(line); }

LineConversion ConvertLineToGSI8(std::string_view line, char* out) { return Convert<8>(line, out); }
LineConversion ConvertLineToGSI16(std::string_view line, char* out) {
    return Convert<16>(line, out);
}

std::vector<CutValue> ListCutValues(std::string_view line, int target) {
    if (target != 8 && target != 16) throw std::invalid_argument("target format is not 8 or 16");
    if (line.size() > static_cast<std::size_t>(kMaxWordText)) ThrowTooLong(line.size());
    std::string out(MaxConvertedLength(line.size()), '\0');
    CutList cuts;
    const LineConversion converted =
        target == 8 ? Convert<8>(line, out.data(), cuts) : Convert<16>(line, out.data(), cuts);
    if (converted.unchanged) return {};  // words read before the line proved unreadable
    return std::move(cuts.list);
}

}  // namespace tessavo
