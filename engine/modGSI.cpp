// Tessavo - cleaning of Leica GSI measurement files.
#include "modGSI.h"

#include <bit>
#include <cstdint>
#include <cstring>

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

// The runs of one character that the rules strip (leading and trailing blanks, leading
// zeros) vary in length from field to field, and a loop per character would mispredict
// its end every time; these look at eight characters at a time.
constexpr std::uint64_t Repeated(char c) {
    return 0x0101010101010101ULL * static_cast<unsigned char>(c);
}

// The first character in [begin, end) that is not `c`.
inline const char* SkipLeading(char c, const char* begin, const char* end) {
    while (end - begin >= 8) {
        std::uint64_t bytes;
        std::memcpy(&bytes, begin, 8);
        bytes ^= Repeated(c);  // zero bytes where the characters are `c`
        if (bytes != 0) {
            const int bits = std::endian::native == std::endian::little ? std::countr_zero(bytes)
                                                                        : std::countl_zero(bytes);
            return begin + bits / 8;
        }
        begin += 8;
    }
    while (begin < end && *begin == c) ++begin;
    return begin;
}

// One past the last character in [begin, end) that is not `c`.
inline const char* SkipTrailing(char c, const char* begin, const char* end) {
    while (end - begin >= 8) {
        std::uint64_t bytes;
        std::memcpy(&bytes, end - 8, 8);
        bytes ^= Repeated(c);
        if (bytes != 0) {
            const int bits = std::endian::native == std::endian::little ? std::countl_zero(bytes)
                                                                        : std::countr_zero(bytes);
            return end - bits / 8;
        }
        end -= 8;
    }
    while (end > begin && end[-1] == c) --end;
    return end;
}

// Writes the normal form of the `size` characters at `field` at `width` to `out`
// (width + 1 characters).
char* WriteDataField(const char* field, std::size_t size, std::size_t width, char* out) {
    const char* begin = field;
    const char* end = field + size;
    begin = SkipLeading(' ', begin, end);
    end = SkipTrailing(' ', begin, end);

    // One "+" goes, then the leading zeros; a "-" (or a second "+") reached that way
    // becomes the sign.
    if (begin < end && *begin == '+') ++begin;
    begin = SkipLeading('0', begin, end);
    char sign = '+';
    if (begin < end && (*begin == '-' || *begin == '+')) sign = *begin++;

    // Right-align in `width` characters: pad with "0", or keep the rightmost characters.
    *out++ = sign;
    std::size_t length = static_cast<std::size_t>(end - begin);
    if (length > width) {
        begin = end - width;
        length = width;
    }
    if (width > kPadSlack) {
        std::memset(out, '0', width - length);
        std::memcpy(out + (width - length), begin, length);
        return out + width;
    }
    std::memset(out, '0', kPadSlack);
    CopyShort(begin, length, out + (width - length));
    return out + width;
}

// Most fields need none of the rewriting rules: their normal form is a sign followed by
// their own value characters, right-aligned. ValueStart tells where that value starts:
// after a "+" or "-" in the sign place (leading zeros after a "+" are removed and padded
// back, which changes nothing as long as no second sign follows them), or at the first
// character when that is neither blank, sign nor zero (the value then gets a "+"). A
// trailing blank, which trimming would remove, rules both out. 0: no such shape.
template <std::size_t kFieldSize>
inline std::size_t ValueStart(const char* field) {
    const char first = field[0];
    if (field[kFieldSize - 1] == ' ' || first == ' ' || first == '0') return 0;
    if (first == '-') return 1;
    if (first != '+') return kFieldSize;  // no sign: the whole field is the value
    const char* value = SkipLeading('0', field + 1, field + kFieldSize);
    return value == field + kFieldSize || (*value != '+' && *value != '-') ? 1 : 0;
}

// Writes `sign` and the kLength characters at `value` right-aligned in kWidth characters.
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

// Writes one word of `kWordSize` characters with its data field normalised at `kWidth`.
template <std::size_t kWordSize, std::size_t kWidth>
char* WriteWord(const char* word, char* out) {
    constexpr std::size_t kFieldSize = kWordSize - 7;
    const char* field = word + 6;
    std::memcpy(out, word, 6);
    out += 6;
    // Word 51 holds two signed values in one field: the ppm correction and, in its last
    // four characters, the prism constant with its own sign ("+0000-030"). Normalising
    // the field as one number would merge them, so only the ppm part is normalised.
    const char inner = field[kFieldSize - 4];
    const bool twoValues = word[0] == '5' && word[1] == '1' && (inner == '+' || inner == '-');
    const std::size_t start = twoValues ? 0 : ValueStart<kFieldSize>(field);
    if (start == 1) {
        if constexpr (kWidth == kFieldSize - 1) {
            std::memcpy(out, field, kWordSize - 6);  // the word stays as it is
            return out + (kWordSize - 6);
        }
        out = WriteAligned<kFieldSize - 1, kWidth>(field[0], field + 1, out);
    } else if (start == kFieldSize) {
        out = WriteAligned<kFieldSize, kWidth>('+', field, out);
    } else {
        const std::size_t kept = twoValues ? 4 : 0;
        out = WriteDataField(field, kFieldSize - kept, kWidth - kept, out);
        std::memcpy(out, field + kFieldSize - 4, 4);  // overwritten unless kept
        out += kept;
    }
    *out++ = word[kWordSize - 1];
    return out;
}

// Converts the first n characters of `text` as words; characters beyond the end of
// `text` count as blanks (a "*" line one character short of whole words, or a line that
// the cleaning run completes to whole words).
template <std::size_t kWordSize, std::size_t kWidth>
char* WriteWords(std::string_view text, std::size_t n, char* out) {
    char padded[kWordSize];
    for (std::size_t at = 0; at < n; at += kWordSize) {
        const char* word = text.data() + at;
        if (at + kWordSize > text.size()) {
            const std::size_t have = text.size() - at;
            std::memcpy(padded, word, have);
            std::memset(padded + have, ' ', kWordSize - have);
            word = padded;
        }
        out = WriteWord<kWordSize, kWidth>(word, out);
    }
    return out;
}

template <std::size_t kWidth>
std::size_t Convert(std::string_view line, bool complete, char* const out) {
    constexpr bool kStarOut = kWidth == 16;
    const bool starIn = !line.empty() && line.front() == '*';
    std::size_t n;
    if (starIn) {
        n = complete ? (line.size() - 1 + 23) / 24 * 24 : line.size() / 24 * 24;
    } else {
        n = complete ? (line.size() + 15) / 16 * 16 : line.size() / 16 * 16;
    }
    if (n > static_cast<std::size_t>(kMaxWordText)) {
        throw GsiOverflowError("GSI line too long: word text of " + std::to_string(n) +
                               " characters");
    }
    char* p = out;
    if (kStarOut) *p++ = '*';
    p = starIn ? WriteWords<24, kWidth>(line.substr(1), n, p) : WriteWords<16, kWidth>(line, n, p);
    return static_cast<std::size_t>(p - out);
}

template <std::size_t kWidth>
std::string ConvertToString(std::string_view line) {
    std::string out(MaxConvertedLength(line.size()), '\0');
    out.resize(Convert<kWidth>(line, false, out.data()));
    return out;
}

}  // namespace

std::size_t MaxConvertedLength(std::size_t lineLength) {
    // Every input word is at least 16 characters and becomes at most 24, plus the "*"
    // and the room that the zero padding of the last field may use.
    return (lineLength / 16 + 1) * 24 + 1 + kPadSlack;
}

std::string FormatDataField(std::string_view field, int width) {
    if (width < 0) throw std::invalid_argument("negative data field width");
    const auto w = static_cast<std::size_t>(width);
    std::string out(w + 1 + kPadSlack, '\0');
    out.resize(static_cast<std::size_t>(WriteDataField(field.data(), field.size(), w, out.data()) -
                                        out.data()));
    return out;
}

std::string ConvertToGSI8(std::string_view line) { return ConvertToString<8>(line); }
std::string ConvertToGSI16(std::string_view line) { return ConvertToString<16>(line); }

std::size_t ConvertCompletedToGSI8(std::string_view line, char* out) {
    return Convert<8>(line, true, out);
}
std::size_t ConvertCompletedToGSI16(std::string_view line, char* out) {
    return Convert<16>(line, true, out);
}

}  // namespace tessavo
