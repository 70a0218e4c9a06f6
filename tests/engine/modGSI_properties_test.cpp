// Properties of the line conversion over generated lines, on the fixed word grid and off it.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "modGSI.h"

namespace tessavo {
namespace {

// Lines of the shapes instrument files hold: whole words on the grid, words of any length
// with double blanks, word 51 with two numbers, placeholders, long values and now and then a
// word without a sign at positions 3 to 7 or a word of blanks.
class LineMaker {
  public:
    std::string Line() {
        const bool star = Pick(2) == 0, grid = Pick(2) == 0;
        const std::size_t width = star ? 16 : 8;
        std::string line = star ? "*" : "";
        for (int words = static_cast<int>(Pick(7)); words > 0; --words) {
            if (Pick(40) == 0) line += Pick(2) ? "(1) " : std::string(width + 8, ' ');
            const std::string index = Pick(5) == 0 ? "51" : std::string(1, "12348"[Pick(5)]) + "1";
            const std::string info = grid ? (star ? "...." : "..10") : std::string("0.1.", Pick(5));
            std::string field = std::string(1, "+-"[Pick(2)]) + Chars(grid ? width : Pick(20));
            if (index == "51" && Pick(2)) field.replace(field.size() / 2, 1, "-");
            line += index + info + field + (grid ? " " : std::string(1 + Pick(2), ' '));
        }
        if (Pick(4) == 0 && !line.empty()) line.pop_back();
        return line;
    }

  private:
    std::size_t Pick(std::size_t n) { return random_() % n; }
    std::string Chars(std::size_t n) {
        std::string text;
        for (std::size_t i = 0; i < n; ++i) text += "0000000123A.-"[Pick(13)];
        if (n > 2 && Pick(6) == 0) text.replace(n - 2, 2, "--");
        return text;
    }
    std::mt19937 random_{11};
};

LineConversion Convert(const std::string& line, int target, std::string& out) {
    out.assign(MaxConvertedLength(line.size()), '\0');
    const LineConversion c =
        target == 16 ? ConvertLineToGSI16(line, out.data()) : ConvertLineToGSI8(line, out.data());
    out.resize(c.size);
    return c;
}

// A word as a reader of GSI files sees it, read on blanks: its index and its numbers (word
// 51: two), each as sign and value without leading zeros.
struct ReadWord {
    std::string index;
    std::vector<std::pair<char, std::string>> numbers;
};

std::pair<char, std::string> Number(std::string x) {
    auto stripZeros = [&x] { x.erase(0, std::min(x.find_first_not_of('0'), x.size())); };
    char sign = '+';
    if (!x.empty() && (x[0] == '+' || x[0] == '-')) sign = x[0], x.erase(0, 1);
    stripZeros();
    if (!x.empty() && x[0] == '-' && !x.ends_with("--")) sign = '-', x.erase(0, 1), stripZeros();
    return {x.empty() ? '+' : sign, x};
}

std::vector<ReadWord> ReadWords(const std::string& line) {
    std::vector<ReadWord> words;
    std::istringstream text(line.substr(line.rfind('*', 0) == 0 ? 1 : 0));
    for (std::string word; text >> word;) {
        const std::size_t sign = word.find_first_of("+-", 2);
        std::string field = word.substr(sign);
        const std::size_t constant = field.find_last_of("+-");
        ReadWord read{word.substr(0, 2), {}};
        if (read.index == "51" && constant > 0) {
            read.numbers = {Number(field.substr(0, constant)), Number(field.substr(constant))};
        } else {
            read.numbers = {Number(field)};
        }
        words.push_back(read);
    }
    return words;
}

// A line on the grid is cut at fixed widths, where blanks inside a word are characters of
// its value: a reader of words sees other words in it when one of its whole words holds a
// blank before its last or a sign at positions 3 to 6.
bool HoldsWordsInsideGridWords(const std::string& line) {
    const bool star = line.rfind('*', 0) == 0;
    const std::string text = line.substr(star ? 1 : 0);
    const std::size_t size = star ? 24 : 16;
    bool inside = false;
    for (std::size_t at = 0; at + size <= text.size(); at += size) {
        const std::string word = text.substr(at, size);
        if (word.back() != ' ' || std::string("+- ").find(word[6]) == std::string::npos) {
            return false;  // off the grid
        }
        const std::size_t last = word.find_last_not_of(' ');
        inside |=
            last != std::string::npos &&
            (word.find(' ') < last || word.substr(2, 4).find_first_of("+-") != std::string::npos);
    }
    return inside;
}

TEST(ConvertPropertiesTest, HoldForGeneratedLines) {
    LineMaker maker;
    std::string out, again, back, direct;
    for (int i = 0; i < 20000; ++i) {
        const std::string line = maker.Line();
        for (int target : {8, 16}) {
            const LineConversion c = Convert(line, target, out);
            SCOPED_TRACE("line \"" + line + "\" to GSI-" + std::to_string(target));
            if (c.unchanged) {
                ASSERT_EQ(out, line);
                continue;
            }
            // Whole words only: a sign at position 7, a blank at the end.
            const std::size_t size = target + 8, start = target == 16 && !out.empty() ? 1 : 0;
            if (start == 1) {
                ASSERT_EQ(out[0], '*');
            }
            ASSERT_EQ((out.size() - start) % size, 0u);
            for (std::size_t at = start; at < out.size(); at += size) {
                ASSERT_TRUE(out[at + 6] == '+' || out[at + 6] == '-');
                ASSERT_EQ(out[at + size - 1], ' ');
            }
            // Cleaning the output again in the same format changes nothing.
            Convert(out, target, again);
            ASSERT_EQ(again, out);
            // Every word keeps its index and its values, but for the cuts that are counted.
            if (HoldsWordsInsideGridWords(line)) continue;
            const std::vector<ReadWord> in = ReadWords(line), written = ReadWords(out);
            ASSERT_EQ(written.size(), in.size());
            int cuts = 0;
            for (std::size_t w = 0; w < in.size(); ++w) {
                ASSERT_EQ(written[w].index, in[w].index);
                ASSERT_EQ(written[w].numbers.size(), in[w].numbers.size());
                for (std::size_t n = 0; n < in[w].numbers.size(); ++n) {
                    const auto& [sign, value] = in[w].numbers[n];
                    const auto& [writtenSign, kept] = written[w].numbers[n];
                    if (writtenSign == sign && kept == value) continue;
                    // Else a cut on the left; one that cuts more than zeros and "-" is
                    // counted and may leave a sign in front, which then is the sign.
                    ASSERT_TRUE(value.ends_with(kept)) << value << " became " << kept;
                    const std::string lost = value.substr(0, value.size() - kept.size());
                    if (lost.find_first_not_of("0-") != std::string::npos) {
                        ++cuts;
                    } else {
                        ASSERT_TRUE(kept.empty() || writtenSign == sign) << sign << value;
                    }
                }
            }
            ASSERT_EQ(c.cutValues, cuts);
        }
        // Through GSI-16 and back to GSI-8 as directly to GSI-8, when nothing was cut.
        if (Convert(line, 16, out).cutValues == 0) {
            Convert(out, 8, back);
            Convert(line, 8, direct);
            ASSERT_EQ(back, direct) << line;
        }
    }
}

}  // namespace
}  // namespace tessavo
