// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the byte scanning against a plain loop, at every length around the 8 and 16 bytes
// the scans take at a time and with the byte looked for at every position.
#include "ByteScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "TestSupport.h"

namespace tessavo {
namespace {

using test::PrintTo;

// A scan over [begin, end) and the offset it answers.
using Scan = std::size_t (*)(const char* begin, const char* end);

struct ScanCase {
    const char* name;
    Scan scan;
    char fill;             // every byte but one
    char other;            // the one byte, at each position in turn
    bool stops;            // whether the scan stops at `other`
    std::size_t from = 0;  // where the scan starts: FindLineEnd goes on from a position
};

class ByteScanTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ByteScanTest, AgreesWithOneByteAtATime) {
    const ScanCase& c = GetParam();
    for (std::size_t size = 0; size <= 40; ++size) {
        // size + 1 rounds: `other` at each position, then nowhere.
        for (std::size_t at = 0; at <= size; ++at) {
            // Exactly `size` bytes, so that the address sanitizer sees a read outside them.
            const auto text = std::make_unique<char[]>(std::max<std::size_t>(size, 1));
            std::fill_n(text.get(), size, c.fill);
            if (at < size) text[at] = c.other;
            const std::size_t expected = c.stops && at >= c.from && at < size ? at : size;
            SCOPED_TRACE("size " + std::to_string(size) + ", other byte at " + std::to_string(at));
            EXPECT_EQ(c.scan(text.get(), text.get() + size), expected);
        }
    }
}

std::size_t SkipZeros(const char* begin, const char* end) {
    return static_cast<std::size_t>(scan::SkipRun('0', begin, end) - begin);
}
// Counted from the end: the blanks that trail the last other byte.
std::size_t SkipBlanksBackward(const char* begin, const char* end) {
    const char* last = scan::SkipRunBackward(' ', begin, end);
    return last == begin ? static_cast<std::size_t>(end - begin)
                         : static_cast<std::size_t>(last - 1 - begin);
}
std::size_t FindBlank(const char* begin, const char* end) {
    return static_cast<std::size_t>(scan::Find(' ', begin, end) - begin);
}
template <std::size_t kFrom>
std::size_t FindLineEnd(const char* begin, const char* end) {
    const auto size = static_cast<std::size_t>(end - begin);
    return scan::FindLineEnd(begin, std::min(kFrom, size), size);
}
std::size_t FindLineEndPortably(const char* begin, const char* end) {
    return scan::FindLineEndPortably(begin, 0, static_cast<std::size_t>(end - begin));
}

INSTANTIATE_TEST_SUITE_P(
    Scans, ByteScanTest,
    testing::Values(
        ScanCase{"SkipRunStopsAtTheFirstOtherByte", SkipZeros, '0', '1', true},
        ScanCase{"SkipRunBackwardStopsAtTheLastOtherByte", SkipBlanksBackward, ' ', '7', true},
        ScanCase{"FindStopsAtTheByte", FindBlank, '+', ' ', true},
        ScanCase{"FindLineEndStopsAtCr", FindLineEnd<0>, 'a', '\r', true},
        ScanCase{"FindLineEndStopsAtLf", FindLineEnd<0>, '\t', '\n', true},
        ScanCase{"FindLineEndStopsAtNul", FindLineEnd<0>, '\xFF', '\0', true},
        ScanCase{"FindLineEndPassesOtherControlCharacters", FindLineEnd<0>, '\t', '\x0C', false},
        ScanCase{"FindLineEndGoesOnFromWhereItWas", FindLineEnd<5>, 'a', '\n', true, 5},
        ScanCase{"FindLineEndPortablyStopsAtLf", FindLineEndPortably, '\x0B', '\n', true},
        ScanCase{"FindLineEndPortablyPassesOtherControlCharacters", FindLineEndPortably, '\x01',
                 '\t', false}),
    test::RowName());

}  // namespace
}  // namespace tessavo
