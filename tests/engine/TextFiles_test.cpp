// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the line reader's line ends and limit, and of a failed write or flush of the output.
#include "TextFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "TestSupport.h"

namespace tessavo {
namespace {

using test::PrintTo;

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

// A disk that fails a write or a flush is reported by Finish. The flush that goes on beside
// the writing (after 16 MiB) may be the only one the system tells of a failure.
struct OutputFaultCase {
    const char* name;
    fs::Call call;
    int failing;  // which call of that kind fails, counted from 1
    int lines;    // each "110001+00000001 " with CR LF
};

class OutputFaultTest : public testing::TestWithParam<OutputFaultCase> {};

TEST_P(OutputFaultTest, IsReportedByFinish) {
    const OutputFaultCase& c = GetParam();
    test::TempDir dir;
    std::error_code ec;
    OutputFile out(fs::File::CreateNew(dir / "out.gsi", ec));
    ASSERT_FALSE(ec);
    std::atomic<int> calls = 0;
    test::FileCallHook hook([&](fs::Call call, std::string_view) {
        return call == c.call && ++calls == c.failing
                   ? std::make_error_code(std::errc::no_space_on_device)
                   : std::error_code();
    });
    for (int i = 0; i < c.lines; ++i) out.WriteLine("110001+00000001 ");
    try {
        out.Finish();
        FAIL() << "a full disk went unnoticed";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), std::errc::no_space_on_device);
    }
    EXPECT_GE(calls.load(), c.failing);
}

INSTANTIATE_TEST_SUITE_P(Faults, OutputFaultTest,
                         testing::Values(OutputFaultCase{"SecondWrite", fs::Call::Write, 2, 70000},
                                         OutputFaultCase{"FlushBesideTheWriting", fs::Call::Sync,
                                                         1, 1000000}),
                         test::RowName());

// What is written is compared with a reference file as it goes: the same only when every
// byte is, and the reference ends where the output does. Nothing is written while it is the
// same; a file that differs in the end gets every byte. Lines of 18 bytes, so that a
// difference can stand beyond the first block of 1 MiB.
struct ReferenceCase {
    const char* name;
    int lines;              // written, each "110001+00000001 " with CR LF
    std::string reference;  // its content, where "=" stands for the lines written
    bool same;
};

class ReferenceTest : public testing::TestWithParam<ReferenceCase> {};

TEST_P(ReferenceTest, ComparesWhileWriting) {
    const ReferenceCase& c = GetParam();
    const std::string line = "110001+00000001 ";
    std::string written;
    for (int i = 0; i < c.lines; ++i) written += line + "\r\n";
    std::string reference = c.reference;
    if (reference.starts_with("=")) reference = written + reference.substr(1);
    if (reference.ends_with("<")) reference = written.substr(0, written.size() - 1);
    if (reference.ends_with("!")) reference = written.substr(0, written.size() - 2) + "!\n";
    test::TempDir dir;
    test::WriteFile(dir / "ref.gsi", reference);
    std::error_code ec;
    fs::File file = fs::File::OpenForReading(dir / "ref.gsi", ec);
    for (const bool writes : {true, false}) {
        ASSERT_FALSE(file.Rewind());
        OutputFile out(writes ? fs::File::CreateNew(dir / "new.gsi", ec) : fs::File(), &file);
        for (int i = 0; i < c.lines; ++i) out.WriteLine(line);
        out.Finish();
        EXPECT_EQ(out.SameAsReference(), c.same) << (writes ? "writing" : "comparing only");
    }
    EXPECT_EQ(test::ReadFile(dir / "new.gsi"), c.same ? "" : written);
}

INSTANTIATE_TEST_SUITE_P(Reference, ReferenceTest,
                         testing::Values(ReferenceCase{"Same", 70000, "=", true},
                                         ReferenceCase{"BothEmpty", 0, "", true},
                                         ReferenceCase{"ReferenceLonger", 70000, "=x", false},
                                         ReferenceCase{"ReferenceShorter", 70000, "<", false},
                                         ReferenceCase{"LastByteDiffers", 70000, "!", false}),
                         test::RowName());

}  // namespace
}  // namespace tessavo
