// SPDX-License-Identifier: GPL-3.0-or-later
// GSI line conversion: the normal form of a data field and the rewriting of one record line
// as a GSI-8 or a GSI-16 line.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessavo {

// A record line, or the whole words it is completed to, is longer than a 16-bit position
// can count.
class GsiOverflowError : public std::overflow_error {
  public:
    using std::overflow_error::overflow_error;
};

// Positions within a line are 16-bit: a line as read, and the completed word text of a line
// on the fixed word grid, hold at most this many characters.
inline constexpr int kMaxWordText = 32767;

// Brings a signed data field into its normal form: a sign and `width` characters,
// right-aligned and padded with "0" on the left. The value itself is not validated. A field
// that ends in two or more "-" is a placeholder for a missing value and keeps its
// characters; anything else is read as a number.
std::string FormatDataField(std::string_view field, int width);

// Rewrite one record line (without its line ending) as the cleaning run writes it: as a
// GSI-8 line, or as a GSI-16 line ("*" in front). Either accepts both formats.
//
// A line on the fixed word grid (every whole word ends in a blank and holds a sign or a
// blank at position 7) is completed with blanks to whole words and cut at fixed widths;
// words of blanks and control characters only are dropped. A word whose sign would end up
// among its information characters puts the line off the grid: one with a sign at positions
// 3 to 6 before a blank at position 7, and a partial last word with a sign there or a
// second word in it. A partial last word without a sign at positions 3 to 7 is a fragment,
// never completed into a value. A line off the grid is read word by word on its blanks;
// when one of its words does not begin with two digits or has no sign at positions 3 to 7,
// the line is copied unchanged, and so are a line with a fragment and a line whose first
// word begins with "*". A line without words becomes an empty line. Throws GsiOverflowError
// for a line longer than kMaxWordText, or a line on the grid whose completed word text is.
std::string ConvertToGSI8(std::string_view line);
std::string ConvertToGSI16(std::string_view line);

// What the conversion of one line wrote and what the user should hear about.
struct LineConversion {
    std::size_t size = 0;    // characters written
    int cutValues = 0;       // numbers that lost more than zeros, blanks and "-" to the width
    bool unchanged = false;  // the line could not be read as words and was copied as it is
};

// The same conversions for the cleaning run's hot loop: they write into `out`, which must
// have room for MaxConvertedLength(line.size()) characters, and allocate nothing.
LineConversion ConvertLineToGSI8(std::string_view line, char* out);
LineConversion ConvertLineToGSI16(std::string_view line, char* out);
std::size_t MaxConvertedLength(std::size_t lineLength);

// One value that a conversion cut to the output's width.
struct CutValue {
    std::string index;   // the word's first two characters, e.g. "81"
    std::string before;  // its data field as it stood in the input, e.g. "+0000000286150753"
    std::string after;   // the data field as written, e.g. "+86150753"

    friend bool operator==(const CutValue&, const CutValue&) = default;
};

// Every value that the conversion of `line` to GSI-8 (`target` 8) or GSI-16 (16) cuts, in
// the order of the words: one entry for each that LineConversion::cutValues counts. Word 51
// holds two numbers; an entry of it shows the whole field. Slower than the conversion, for
// the lines whose conversion counted cuts. Throws as the conversion does.
std::vector<CutValue> ListCutValues(std::string_view line, int target);

}  // namespace tessavo
