// SPDX-License-Identifier: GPL-3.0-or-later
// InputLines: the lines of an input file as a run writes them, and whether it is a GSI file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "modGSI.h"

namespace tessavo {

// The lines of an input as read, without their line endings.
class LineSource {
  public:
    enum class Read { Line, End, NulByte };
    // Reads the next line into `line`, valid until the next call. NulByte: the line holds a
    // NUL byte and is not handed out.
    virtual Read Next(std::string_view& line) = 0;

  protected:
    ~LineSource() = default;
};

// The rules that look at an input file as a whole, between the reader of its lines and the
// conversion of each:
// - a UTF-8 byte order mark at the start of the input is no data, and neither is a DOS end
//   mark (Ctrl+Z) at its end: from the first Ctrl+Z of the run of Ctrl+Z, CR and LF bytes
//   that ends the input, nothing is written or counted;
// - the first line is a record line when it begins with "*", "11" or "41" or reads as GSI
//   words (at least one, all readable); otherwise it is a header, copied unchanged. When it
//   is a record line and the output's extension is RAW, "Leica TPS-1100 Series" goes first;
// - the input is no GSI file when it holds a NUL byte (binary files, UTF-16 text) or when
//   its record lines include one that cannot be read as words but none that holds a word.
class InputLines {
  public:
    enum class Kind { Header, Record };
    struct Line {
        std::string_view text;    // valid until the next call
        std::int64_t number = 0;  // in the input, from 1; 0 for "Leica TPS-1100 Series"
        Kind kind = Kind::Record;
    };

    // `inputSize` is the input's size in bytes; `outputPath` is where the run writes.
    InputLines(LineSource& source, std::uint64_t inputSize, const std::string& outputPath);

    // The next line to write; false at the end of the input's data, or at a NUL byte.
    bool Next(Line& line);

    // Tells the verdict what the conversion of a record line found. Once a line with a word
    // has been seen the verdict is settled, so a GSI file pays one test per line.
    void Converted(std::string_view line, const LineConversion& conversion) {
        if (!holdsWord_) Judge(line, conversion);
    }

    // Whether the input is a GSI file, as far as it has been read.
    bool IsGsi() const { return !nulByte_ && (holdsWord_ || !unreadable_); }

  private:
    bool NextData(std::string_view& line, std::int64_t& number);
    bool Release(std::string_view& line, std::int64_t& number);
    void Judge(std::string_view line, const LineConversion& conversion);

    LineSource& source_;
    std::uint64_t inputSize_;
    bool rawOutput_;
    std::int64_t read_ = 0;  // lines taken from the source
    bool first_ = true;      // the first line of data is still to come
    Line stashed_;           // the first record line, while "Leica TPS-1100 Series" goes out
    bool hasStashed_ = false;

    // A line that ends in Ctrl+Z, and the count of empty lines and lines of Ctrl+Z only
    // after it, held back until the input shows whether they end it.
    std::string held_;
    bool holding_ = false;
    std::int64_t heldNumber_ = 0;
    std::int64_t heldAfter_ = 0;
    std::int64_t released_ = -1;  // how many of them went out since the input went on; -1: none
    std::string_view waiting_;    // the line that showed that the input goes on

    bool nulByte_ = false;
    bool unreadable_ = false;
    bool holdsWord_ = false;
};

}  // namespace tessavo
