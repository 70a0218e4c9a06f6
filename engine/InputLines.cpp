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
constexpr char kEndMark = '\x1A';                            // Ctrl+Z

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

InputLines::InputLines(LineSource& source, std::uint64_t inputSize, const std::string& outputPath)
    : source_(source), inputSize_(inputSize), rawOutput_(HasRawExtension(outputPath)) {}

bool InputLines::Next(Line& line) {
    if (hasStashed_) {
        hasStashed_ = false;
        line = stashed_;
        return true;
    }
    if (!NextData(line.text, line.number)) return false;
    line.kind = Kind::Record;
    if (first_) {
        first_ = false;
        if (!IsRecordStart(line.text)) {
            line.kind = Kind::Header;
        } else if (rawOutput_) {
            stashed_ = line;
            hasStashed_ = true;
            line = {kRawHeader, 0, Kind::Header};
        }
    }
    return true;
}

bool InputLines::NextData(std::string_view& line, std::int64_t& number) {
    for (;;) {
        std::string_view raw;
        if (released_ >= 0) {
            if (Release(line, number)) return true;
            raw = waiting_;
        } else {
            const LineSource::Read read = source_.Next(raw);
            if (read != LineSource::Read::Line) {
                nulByte_ = read == LineSource::Read::NulByte;
                if (nulByte_ || !holding_) return false;
                // The held lines end the input: of them only what stands before the first
                // Ctrl+Z is data.
                holding_ = false;
                held_.erase(held_.find_last_not_of(kEndMark) + 1);
                if (held_.empty()) return false;
                line = held_;
                number = heldNumber_;
                return true;
            }
            if (++read_ == 1 && raw.starts_with(kByteOrderMark)) {
                raw.remove_prefix(kByteOrderMark.size());
                // The mark alone is an empty input, not an empty line.
                if (raw.empty() && inputSize_ == kByteOrderMark.size()) return false;
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
        line = raw;
        number = read_;
        return true;
    }
}

// Hands out the held lines, data after all, one at a time. Those after the first are empty
// or Ctrl+Z only; as record lines both read as no words, and they go out as empty lines.
bool InputLines::Release(std::string_view& line, std::int64_t& number) {
    if (released_ > heldAfter_) {
        released_ = -1;
        return false;
    }
    line = released_ == 0 ? std::string_view(held_) : std::string_view();
    number = heldNumber_ + released_;
    ++released_;
    return true;
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
