// Tessavo - cleaning of Leica GSI measurement files.
#include "modGSI.h"

#include <algorithm>
#include <cstring>

namespace tessavo {

namespace {

// Writes the normal form of `field` at `width` to `out` (width + 1 characters).
char* WriteDataField(std::string_view field, int width, char* out) {
    std::size_t begin = 0;
    std::size_t end = field.size();
    while (begin < end && field[begin] == ' ') ++begin;
    while (end > begin && field[end - 1] == ' ') --end;
    std::string_view t = field.substr(begin, end - begin);

    // One "+" goes, then the leading zeros; a "-" (or a second "+") reached that way
    // becomes the sign.
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    while (!t.empty() && t.front() == '0') t.remove_prefix(1);
    char sign = '+';
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        sign = t.front();
        t.remove_prefix(1);
    }

    // Right-align in `width` characters: pad with "0", or keep the rightmost characters.
    const std::size_t w = static_cast<std::size_t>(width);
    *out++ = sign;
    if (t.size() >= w) {
        std::memcpy(out, t.data() + (t.size() - w), w);
    } else {
        const std::size_t pad = w - t.size();
        std::memset(out, '0', pad);
        if (!t.empty()) std::memcpy(out + pad, t.data(), t.size());
    }
    return out + w;
}

// Word 51 holds two signed values in one field: the ppm correction and, in its last four
// characters, the prism constant with its own sign ("+0000-030"). Normalising the field
// as one number would merge them, so only the ppm part is normalised.
bool IsTwoValueWord51(std::string_view word, std::string_view field) {
    if (word[0] != '5' || word[1] != '1') return false;
    const char inner = field[field.size() - 4];
    return inner == '+' || inner == '-';
}

// Cuts the word text of `line` into words of the line's own size and writes each with
// its data field normalised at `width`.
std::size_t Convert(std::string_view line, int width, bool starOut, char* const out) {
    const bool starIn = !line.empty() && line.front() == '*';
    const std::size_t wordSize = starIn ? 24 : 16;
    const std::size_t fieldSize = starIn ? 17 : 9;
    const std::size_t n = wordSize * (line.size() / wordSize);
    if (n > static_cast<std::size_t>(kMaxWordText)) {
        throw GsiOverflowError("GSI line too long: word text of " + std::to_string(n) +
                               " characters");
    }
    std::string_view text = starIn ? line.substr(1) : line.substr(0, n);

    char* p = out;
    if (starOut) *p++ = '*';
    for (std::size_t at = 0; at < n; at += wordSize) {
        // A "*" line one character short of whole words lacks only its last separator
        // blank; everywhere else the word is complete.
        char word[24];
        const std::size_t have = std::min(wordSize, text.size() - at);
        std::memcpy(word, text.data() + at, have);
        if (have < wordSize) std::memset(word + have, ' ', wordSize - have);
        const std::string_view w(word, wordSize);
        const std::string_view field = w.substr(6, fieldSize);

        std::memcpy(p, word, 6);
        p += 6;
        if (IsTwoValueWord51(w, field)) {
            p = WriteDataField(field.substr(0, fieldSize - 4), width - 4, p);
            std::memcpy(p, field.data() + fieldSize - 4, 4);
            p += 4;
        } else {
            p = WriteDataField(field, width, p);
        }
        const std::size_t rest = wordSize - 6 - fieldSize;
        std::memcpy(p, word + 6 + fieldSize, rest);
        p += rest;
    }
    return static_cast<std::size_t>(p - out);
}

std::string ConvertToString(std::string_view line, int width, bool starOut) {
    std::string out(MaxConvertedLength(line.size()), '\0');
    out.resize(Convert(line, width, starOut, out.data()));
    return out;
}

}  // namespace

std::size_t MaxConvertedLength(std::size_t lineLength) {
    // Every input word is at least 16 characters and becomes at most 24, plus the "*".
    return (lineLength / 16 + 1) * 24 + 1;
}

std::string FormatDataField(std::string_view field, int width) {
    if (width < 0) throw std::invalid_argument("negative data field width");
    std::string out(static_cast<std::size_t>(width) + 1, '\0');
    WriteDataField(field, width, out.data());
    return out;
}

std::string ConvertToGSI8(std::string_view line) { return ConvertToString(line, 8, false); }
std::string ConvertToGSI16(std::string_view line) { return ConvertToString(line, 16, true); }

std::size_t ConvertToGSI8Into(std::string_view line, char* out) {
    return Convert(line, 8, false, out);
}
std::size_t ConvertToGSI16Into(std::string_view line, char* out) {
    return Convert(line, 16, true, out);
}

}  // namespace tessavo
