// SPDX-License-Identifier: GPL-3.0-or-later
// InputLines: the lines of an input file as a run writes them, and whether it is a GSI file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "TextFiles.h"
#include "modGSI.h"

namespace tessavo {

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
    enum class Read {
        Line,     // a line to write
        End,      // the end of the input's data, or a NUL byte (IsGsi() then says so)
        TooLong,  // line `number` is longer than the reader takes
    };

    // Reads `reader`, which must outlive this; `outputPath` is where the run writes.
    InputLines(LineReader& reader, const std::string& outputPath);

    // The next line to write. Throws std::system_error when reading fails, in line
    // LinesRead() + 1.
    Read Next(Line& line) {
        if (usual_) {  // the usual line costs a test of its last character
            const LineReader::Status status = reader_.Next(line.text);
            if (status == LineReader::Status::Line &&
                (line.text.empty() || line.text.back() != kEndMark)) {
                line.number = ++read_;
                line.kind = Kind::Record;
                return Read::Line;
            }
            return Unusual(status, line.text, line);
        }
        return Unusual(std::nullopt, {}, line);
    }

    std::int64_t LinesRead() const { return read_; }

    // Tells the verdict what the conversion of a record line found. Once a line with a word
    // has been seen the verdict is settled, so a GSI file pays one test per line.
    void Converted(std::string_view line, const LineConversion& conversion) {
        if (!holdsWord_) Judge(line, conversion);
    }

    // Whether a line with a word has been read: from then on the input is a GSI file unless
    // a NUL byte follows.
    bool SawWord() const { return holdsWord_; }

    // Whether the input is a GSI file, as far as it has been read.
    bool IsGsi() const { return !nulByte_ && (holdsWord_ || !unreadable_); }

  private:
    static constexpr char kEndMark = '\x1A';  // Ctrl+Z

    Read Unusual(std::optional<LineReader::Status> status, std::string_view raw, Line& line);
    Read NextData(std::optional<LineReader::Status> status, std::string_view raw, Line& line);
    bool Release(Line& line);
    void Classify(Line& line);
    void Judge(std::string_view line, const LineConversion& conversion);

    LineReader& reader_;
    bool rawOutput_;
    bool usual_ = false;     // none of the states below: the next line needs no rule
    std::int64_t read_ = 0;  // lines taken from the reader
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
