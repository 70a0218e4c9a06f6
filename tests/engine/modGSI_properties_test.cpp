// SPDX-License-Identifier: GPL-3.0-or-later
// Properties of the line conversion over generated lines, on the fixed word grid and off it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <tuple>

#include "TestSupport.h"
#include "modGSI.h"

namespace tessavo {
namespace {

// The numbers of a line as a reader of GSI words sees them, read on blanks, words of control
// characters only skipped: each with its word's index, sign and value without leading zeros
// (word 51: two numbers).
using Number = std::tuple<std::string, char, std::string>;

std::vector<Number> ReadNumbers(const std::string& line) {
    std::vector<Number> numbers;
    auto read = [&numbers](const std::string& index, std::string x) {
        auto stripZeros = [&x] { x.erase(0, std::min(x.find_first_not_of('0'), x.size())); };
        char sign = x[0];
        x.erase(0, 1), stripZeros();
        if (!x.empty() && x[0] == '-' && !x.ends_with("--"))
            sign = '-', x.erase(0, 1), stripZeros();
        numbers.emplace_back(index, x.empty() ? '+' : sign, x);
    };
    std::istringstream text(line.substr(line.rfind('*', 0) == 0 ? 1 : 0));
    for (std::string word; std::getline(text, word, ' ');) {
        if (std::all_of(word.begin(), word.end(), [](char c) { return c >= 0 && c < ' '; }))
            continue;
        const std::string field = word.substr(word.find_first_of("+-", 2));
        const std::size_t constant = field.find_last_of("+-");
        if (word.starts_with("51") && constant > 0) {
            read("51", field.substr(0, constant)), read("51", field.substr(constant));
        } else {
            read(word.substr(0, 2), field);
        }
    }
    return numbers;
}

// A line on the grid is cut at fixed widths, where blanks inside a word are characters of
// its value: a reader of words sees other words in it when one of its words, completed with
// blanks, holds a blank before its last or a sign at positions 3 to 6.
bool HoldsWordsInsideGridWords(std::string line) {
    const std::size_t start = line.rfind('*', 0) == 0 ? 1 : 0, size = start ? 24 : 16;
    line.append((size - (line.size() - start) % size) % size, ' ');
    bool inside = false;
    for (std::size_t at = start; at + size <= line.size(); at += size) {
        const std::string word = line.substr(at, size);
        if (word.back() != ' ' || std::string("+- ").find(word[6]) == std::string::npos)
            return false;
        inside |= word.find(' ') < word.find_last_not_of(' ') ||
                  word.substr(2, 4).find_first_of("+-") != std::string::npos;
    }
    return inside;
}

// Lines of the shapes instrument files hold: whole words on the grid, words of any length
// with double blanks, word 51 with two numbers, placeholders, long values and now and then a
// word without a sign at positions 3 to 7 or a word of blanks; and what transfers and
// editors leave: a fragment of a last word, TABs and control characters, a byte order mark,
// a DOS end mark.
TEST(ConvertPropertiesTest, HoldForGeneratedLines) {
    std::mt19937 random(11);
    auto pick = [&random](std::size_t n) { return random() % n; };
    auto chars = [&pick](std::size_t n) {
        std::string text;
        for (std::size_t i = 0; i < n; ++i) text += "0000000123A.-"[pick(13)];
        return n > 2 && pick(6) == 0 ? text.replace(n - 2, 2, "--") : text;
    };
    std::string out, again, direct;
    for (int i = 0; i < 20000; ++i) {
        const bool star = pick(2) == 0, grid = pick(2) == 0;
        const std::size_t width = star ? 16 : 8;
        std::string line = star ? "*" : "";
        for (std::size_t words = pick(7); words > 0; --words) {
            if (pick(40) == 0) line += pick(2) ? "(1) " : std::string(width + 8, ' ');
            const std::string index = pick(5) == 0 ? "51" : std::string(1, "12348"[pick(5)]) + "1";
            std::string field = std::string(1, "+-"[pick(2)]) + chars(grid ? width : pick(20));
            if (index == "51" && pick(2)) field[field.size() / 2] = '-';
            line += index + (grid ? (star ? "...." : "..10") : std::string("0.1.", pick(5))) +
                    field + (grid ? " " : std::string(1 + pick(2), ' '));
        }
        if (pick(4) == 0 && !line.empty()) line.pop_back();
        switch (pick(10)) {
            case 0:  // a last word cut short, up to its sign
                line += std::string("21.324+", 1 + pick(7));
                break;
            case 1:
                line.insert(pick(line.size() + 1),
                            pick(2) ? "\t" : std::string(1 + pick(3), ' ') + "\x01\t ");
                break;
            case 2:
                line.insert(line.rfind('*', 0) == 0, "\xEF\xBB\xBF");
                break;
            case 3:
                line += pick(2) ? "\x1A" : " \x1A";
                break;
        }

        for (int target : {8, 16}) {
            SCOPED_TRACE("line \"" + line + "\" to GSI-" + std::to_string(target));
            const LineConversion c = test::Convert(line, target, out);
            if (c.unchanged) {
                ASSERT_EQ(out, line);
                continue;
            }
            // Whole words only: a sign at position 7, a blank at the end.
            const std::size_t size = static_cast<std::size_t>(target) + 8,
                              start = target == 16 && !out.empty();
            ASSERT_TRUE((out.size() - start) % size == 0 && (start == 0 || out[0] == '*'));
            for (std::size_t at = start; at < out.size(); at += size) {
                ASSERT_TRUE((out[at + 6] == '+' || out[at + 6] == '-') &&
                            out[at + size - 1] == ' ');
            }
            // Cleaning the output again in the same format changes nothing.
            test::Convert(out, target, again);
            ASSERT_EQ(again, out);
            // The list of values cut has one entry per value counted, each as in the lines.
            const std::vector<CutValue> list = ListCutValues(line, target);
            ASSERT_EQ(list.size(), static_cast<std::size_t>(c.cutValues));
            for (const CutValue& cut : list) {
                ASSERT_NE(line.find(cut.before), std::string::npos);
                ASSERT_NE(out.find(cut.index), std::string::npos);
                ASSERT_NE(out.find(cut.after), std::string::npos);
            }
            // Every number keeps its index and value, but for the cuts that are counted; a
            // counted cut may leave a sign in front, which then is the sign.
            if (HoldsWordsInsideGridWords(line)) continue;
            const std::vector<Number> in = ReadNumbers(line), written = ReadNumbers(out);
            ASSERT_EQ(written.size(), in.size());
            int cuts = 0;
            for (std::size_t n = 0; n < in.size(); ++n) {
                const auto& [index, sign, value] = in[n];
                const auto& [writtenIndex, writtenSign, kept] = written[n];
                ASSERT_EQ(writtenIndex, index);
                if (writtenSign == sign && kept == value) continue;
                ASSERT_TRUE(value.ends_with(kept)) << value << " became " << kept;
                const bool real = value.find_first_not_of("0-") < value.size() - kept.size();
                ASSERT_TRUE(real || kept.empty() || writtenSign == sign) << sign << value;
                cuts += real;
            }
            ASSERT_EQ(c.cutValues, cuts);
        }
        // Through GSI-16 and back to GSI-8 as directly to GSI-8, when nothing was cut.
        if (test::Convert(line, 16, out).cutValues == 0) {
            test::Convert(out, 8, again);
            test::Convert(line, 8, direct);
            ASSERT_EQ(again, direct) << line;
        }
    }
}

}  // namespace
}  // namespace tessavo
