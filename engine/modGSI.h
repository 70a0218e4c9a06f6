// Tessavo - cleaning of Leica GSI measurement files.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tessavo {

// A record line's word text would be longer than a 16-bit position can count.
class GsiOverflowError : public std::overflow_error {
  public:
    using std::overflow_error::overflow_error;
};

// Positions within a line are 16-bit: the word text of a line holds at most this many characters.
inline constexpr int kMaxWordText = 32767;

// Brings a signed data field into its normal form: a sign and `width` characters,
// right-aligned and padded with "0" on the left. The value itself is not validated.
std::string FormatDataField(std::string_view field, int width);

// Rewrite one record line (without its line ending) as a GSI-8 line or a GSI-16 line
// ("*" in front). Either accepts both formats. Throws GsiOverflowError for lines too
// long for 16-bit positions.
std::string ConvertToGSI8(std::string_view line);
std::string ConvertToGSI16(std::string_view line);

// The same conversions for a line first completed with blanks to whole words (after its
// "*", if any), as the cleaning run does with every record line. They write into `out`,
// which must have room for MaxConvertedLength(line.size()) characters, and return the
// number written. They allocate nothing, so the run can call them for every line.
std::size_t ConvertCompletedToGSI8(std::string_view line, char* out);
std::size_t ConvertCompletedToGSI16(std::string_view line, char* out);
std::size_t MaxConvertedLength(std::size_t lineLength);

}  // namespace tessavo
