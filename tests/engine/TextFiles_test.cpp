// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the line reader's line ends and limit, and of a failed write of the output.
#include "TextFiles.h"

#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"

namespace tessavo {
namespace {

std::vector<std::string> ReadLines(const std::string& path) {
    std::error_code ec;
    fs::File file = fs::File::OpenForReading(path, ec);
    EXPECT_FALSE(ec) << path;
    LineReader reader(file, 0);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.Next(line) == LineReader::Status::Line) lines.emplace_back(line);
    return lines;
}

struct EndingCase {
    const char* name;
    friend void PrintTo(const EndingCase& c, std::ostream* os) { *os << c.name; }
    std::string bytes;
    std::vector<std::string> lines;
};

class LineEndingTest : public testing::TestWithParam<EndingCase> {};

TEST_P(LineEndingTest, SplitsLines) {
    test::TempDir dir;
    test::WriteFile(dir / "in.gsi", GetParam().bytes);
    EXPECT_EQ(ReadLines(dir / "in.gsi"), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, LineEndingTest,
    testing::Values(EndingCase{"Empty", "", {}}, EndingCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                    EndingCase{"CrOnly", "a\rb\r", {"a", "b"}},
                    EndingCase{"LfOnly", "a\nb\n", {"a", "b"}},
                    EndingCase{"NoFinalEnding", "a\r\nb", {"a", "b"}},
                    EndingCase{"EmptyLines", "\r\r\n\n", {"", "", ""}},
                    EndingCase{"LfCrIsTwoEndings", "a\n\rb", {"a", "", "b"}},
                    EndingCase{"EightBitBytesPass", "\xE9\x1A\xFF\r\n", {"\xE9\x1A\xFF"}},
                    // The scan stops at control characters and goes on.
                    EndingCase{"ControlCharactersInsideLines",
                               "a\t\x01\x0B\x0C" + std::string(16, '\t') + "b\r\nc",
                               {"a\t\x01\x0B\x0C" + std::string(16, '\t') + "b", "c"}}),
    test::RowName());

TEST(LineReaderTest, CrLfSplitAcrossBlocks) {
    // The first block of 1 MiB ends with the CR of a CR LF.
    const std::size_t block = std::size_t{1} << 20;
    std::string bytes;
    while (bytes.size() + 17 < block - 1) bytes += "110001+00000001 \r\n";
    bytes += std::string(block - 1 - bytes.size(), 'x') + "\r\nlast";
    test::TempDir dir;
    test::WriteFile(dir / "in.gsi", bytes);
    const auto lines = ReadLines(dir / "in.gsi");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 1], "last");
    EXPECT_EQ(lines[lines.size() - 2].find_first_not_of('x'), std::string::npos);
}

// Lines that are not handed out: one over the limit, and one with a NUL byte, which no text
// file holds.
TEST(LineReaderTest, LineThatIsNoTextLineIsReported) {
    for (const auto& [bad, status] :
         {std::pair{std::string(32768, 'b'), LineReader::Status::TooLong},
          std::pair{std::string("b\0b\r\n", 5), LineReader::Status::NulByte}}) {
        test::TempDir dir;
        test::WriteFile(dir / "in.gsi", std::string(32767, 'a') + "\n" + bad);
        std::error_code ec;
        fs::File file = fs::File::OpenForReading(dir / "in.gsi", ec);
        LineReader reader(file, 0);
        std::string_view line;
        ASSERT_EQ(reader.Next(line), LineReader::Status::Line);
        EXPECT_EQ(line.size(), 32767u);
        EXPECT_EQ(reader.Next(line), status);
    }
}

TEST(OutputFileTest, FailedWriteIsReportedByFinish) {
    // A disk that fills up while the second block is written.
    test::TempDir dir;
    std::error_code ec;
    OutputFile out(fs::File::CreateNew(dir / "out.gsi", ec), [](std::uint64_t offset) {
        return offset > 0 ? std::make_error_code(std::errc::no_space_on_device) : std::error_code();
    });
    ASSERT_FALSE(ec);
    for (int i = 0; i < 70000; ++i) out.WriteLine("110001+00000001 ");
    try {
        out.Finish();
        FAIL() << "a full disk went unnoticed";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), std::errc::no_space_on_device);
    }
}

}  // namespace
}  // namespace tessavo
