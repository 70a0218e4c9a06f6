// Tessavo - cleaning of Leica GSI measurement files.
#include "TextFiles.h"

#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"

namespace tessavo {
namespace {

std::vector<std::string> ReadLines(const std::string& path) {
    LineReader reader(path);
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

INSTANTIATE_TEST_SUITE_P(Endings, LineEndingTest,
                         testing::Values(EndingCase{"Empty", "", {}},
                                         EndingCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                                         EndingCase{"CrOnly", "a\rb\r", {"a", "b"}},
                                         EndingCase{"LfOnly", "a\nb\n", {"a", "b"}},
                                         EndingCase{"NoFinalEnding", "a\r\nb", {"a", "b"}},
                                         EndingCase{"EmptyLines", "\r\r\n\n", {"", "", ""}},
                                         EndingCase{"LfCrIsTwoEndings", "a\n\rb", {"a", "", "b"}},
                                         EndingCase{"EightBitBytesPass",
                                                    std::string("\xE9\0\xFF\r\n", 5),
                                                    {std::string("\xE9\0\xFF", 3)}}),
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

TEST(LineReaderTest, LineOverLimitIsReported) {
    test::TempDir dir;
    test::WriteFile(dir / "in.gsi", std::string(32767, 'a') + "\n" + std::string(32768, 'b'));
    LineReader reader(dir / "in.gsi");
    std::string_view line;
    ASSERT_EQ(reader.Next(line), LineReader::Status::Line);
    EXPECT_EQ(line.size(), 32767u);
    EXPECT_EQ(reader.Next(line), LineReader::Status::TooLong);
}

TEST(OutputFileTest, FullDiskIsAnError) {
    if (test::kWindows) GTEST_SKIP() << "Windows has no /dev/full";
    OutputFile out("/dev/full");
    EXPECT_FALSE(out.createdNew());
    out.WriteLine("110001+00000001 ");
    try {
        out.Close();
        FAIL() << "closing /dev/full succeeded";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), std::errc::no_space_on_device);
    }
}

}  // namespace
}  // namespace tessavo
