// SPDX-License-Identifier: GPL-3.0-or-later
// InputLines: byte order mark, DOS end mark, header line and the verdict on the whole input.
#include "InputLines.h"

#include <algorithm>
#include <stdexcept>

#include "modFileHandling.h"

namespace tessavo {

namespace {

constexpr std::string_view kRawHeader = "Leica TPS-1100 Series";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";  // UTF-8, as Notepad writes it

bool HasRawExtension(const std::string& path) {
    std::string extension;
    try {
        extension = GetFileExtension(path);
    } catch (const std::invalid_argument&) {
        return false;  // no "." at all: certainly not RAW
    }
    if (extension.size() != 3) return false;
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return extension == "RAW";
}

// Whether the line reads as GSI words: at least one word, and every word readable.
bool ReadsAsWords(std::string_view line) {
    std::string out(MaxConvertedLength(line.size()), '\0');
    try {
        const LineConversion converted = ConvertLineToGSI8(line, out.data());
        return !converted.unchanged && converted.size > 0;
    } catch (const GsiOverflowError&) {
        return true;  // whole words, too many for a line: its conversion reports that
    }
}

bool IsRecordStart(std::string_view line) {
    return line.starts_with('*') || line.starts_with("11") || line.starts_with("41") ||
           ReadsAsWords(line);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether a line that cannot be read as words holds one all the same: read on its blanks, a
// word that begins with two digits and has a sign at positions 3 to 7.
bool HoldsWord(std::string_view line) {
    if (line.starts_with('*')) line.remove_prefix(1);
    for (std::size_t at = line.find_first_not_of(' '); at < line.size();
         at = line.find_first_not_of(' ', at)) {
        const std::string_view word = line.substr(at, line.find(' ', at) - at);
        if (word.size() > 2 && IsDigit(word[0]) && IsDigit(word[1]) &&
            word.substr(2, 5).find_first_of("+-") != std::string_view::npos) {
            return true;
        }
        at += word.size();
    }
    return false;
}

}  // namespace

InputLines::InputLines(LineReader& reader, const std::string& outputPath)
    : reader_(reader), rawOutput_(HasRawExtension(outputPath)) {}

// Every line but the usual one: the first, one that ends in Ctrl+Z and those held back
// after it, the end of the input. `status` and `raw` are the line just read, if any.
InputLines::Read InputLines::Unusual(std::optional<LineReader::Status> status, std::string_view raw,
                                     Line& line) {
    Read read = Read::Line;
    if (!status && hasStashed_) {
        hasStashed_ = false;
        line = stashed_;
    } else {
        read = NextData(status, raw, line);
        if (read == Read::Line) Classify(line);
    }
    usual_ = !first_ && !holding_ && released_ < 0 && !hasStashed_;
    return read;
}

// Takes lines from the reader until one is data: drops the byte order mark, holds lines
// that end in Ctrl+Z back until the input shows whether they end it, then hands them out.
InputLines::Read InputLines::NextData(std::optional<LineReader::Status> status,
                                      std::string_view raw, Line& line) {
    for (;; status.reset()) {
        if (!status) {
            if (released_ < 0) {
                status = reader_.Next(raw);
            } else if (Release(line)) {
                return Read::Line;
            } else {
                raw = waiting_;  // read and counted already
            }
        }
        if (status) {
            if (*status == LineReader::Status::TooLong) {
                line.number = ++read_;
                return Read::TooLong;
            }
            if (*status != LineReader::Status::Line) {
                nulByte_ = *status == LineReader::Status::NulByte;
                if (nulByte_ || !holding_) return Read::End;
                // The held lines end the input: of them only what stands before the first
                // Ctrl+Z is data.
                holding_ = false;
                held_.erase(held_.find_last_not_of(kEndMark) + 1);
                if (held_.empty()) return Read::End;
                line.text = held_;
                line.number = heldNumber_;
                return Read::Line;
            }
            if (++read_ == 1 && raw.starts_with(kByteOrderMark)) {
                raw.remove_prefix(kByteOrderMark.size());
                // The mark alone is an empty input, not an empty line.
                if (raw.empty() && reader_.TotalBytes() == kByteOrderMark.size()) {
                    return Read::End;
                }
            }
            if (holding_) {
                if (raw.find_first_not_of(kEndMark) == std::string_view::npos) {
                    ++heldAfter_;
                    continue;
                }
                holding_ = false;
                released_ = 0;
                waiting_ = raw;
                continue;
            }
        }
        if (!raw.empty() && raw.back() == kEndMark) {
            held_.assign(raw);
            holding_ = true;
            heldNumber_ = read_;
            heldAfter_ = 0;
            continue;
        }
        line.text = raw;
        line.number = read_;
        return Read::Line;
    }
}

// Hands out the held lines, data after all, one at a time. Those after the first are empty
// or Ctrl+Z only; as record lines both read as no words, and they go out as empty lines.
bool InputLines::Release(Line& line) {
    if (released_ > heldAfter_) {
        released_ = -1;
        return false;
    }
    line.text = released_ == 0 ? std::string_view(held_) : std::string_view();
    line.number = heldNumber_ + released_;
    ++released_;
    return true;
}

// The first line of data is a header or a record line; after it every line is a record.
void InputLines::Classify(Line& line) {
    line.kind = Kind::Record;
    if (!first_) return;
    first_ = false;
    if (!IsRecordStart(line.text)) {
        line.kind = Kind::Header;
    } else if (rawOutput_) {
        stashed_ = line;
        hasStashed_ = true;
        line = {kRawHeader, 0, Kind::Header};
    }
}

void InputLines::Judge(std::string_view line, const LineConversion& conversion) {
    if (!conversion.unchanged) {
        holdsWord_ = conversion.size > 0;
        return;
    }
    unreadable_ = true;
    holdsWord_ = HoldsWord(line);
}

}  // namespace tessavo
