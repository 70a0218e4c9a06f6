// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the path routines and the existence test.
#include "modFileHandling.h"

#include <gtest/gtest.h>

#include <optional>

#include "TestSupport.h"

namespace tessavo {
namespace {

using test::PrintTo;
using Result = std::optional<std::string>;  // nullopt: the routine refuses the path
const Result kFails = std::nullopt;

struct PathCase {
    const char* name;
    std::string path;
    Result filePath;
    Result fileName;
    Result extension;
};

Result Call(std::string (*routine)(std::string_view), const std::string& path) {
    try {
        return routine(path);
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
}

class PathSplitTest : public testing::TestWithParam<PathCase> {};

TEST_P(PathSplitTest, SplitsAtLastSeparator) {
    const PathCase& c = GetParam();
    EXPECT_EQ(Call(GetFilePath, c.path), c.filePath);
    EXPECT_EQ(Call(GetFileName, c.path), c.fileName);
    EXPECT_EQ(Call(GetFileExtension, c.path), c.extension);
    if (c.filePath) {
        EXPECT_EQ(*c.filePath + *c.fileName, c.path);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathSplitTest,
    testing::Values(
        PathCase{"DriveRoot", "C:\\TEST.GSI", "C:\\", "TEST.GSI", "GSI"},
        PathCase{"LowerCaseStays", "C:\\meet\\dag.1\\punten.gsi", "C:\\meet\\dag.1\\", "punten.gsi",
                 "gsi"},
        PathCase{"DotInDirectoryCounts", "C:\\meet\\dag.1\\punten", "C:\\meet\\dag.1\\", "punten",
                 "1\\punten"},
        PathCase{"EndsInSeparator", "C:\\meet\\", "C:\\meet\\", "", kFails},
        PathCase{"BareNameWithDots", "punten.tar.gsi", kFails, kFails, "gsi"},
        PathCase{"EndsInDot", "punten.", kFails, kFails, ""},
        PathCase{"NoDot", "C:\\meet\\punten", "C:\\meet\\", "punten", kFails},
        PathCase{"Empty", "", kFails, kFails, kFails},
        PathCase{"ForwardSlashes", "/home/jan/meet.gsi", "/home/jan/", "meet.gsi", "gsi"},
        PathCase{"MixedLastSlashCounts", "C:\\meet/dag\\punten.raw", "C:\\meet/dag\\", "punten.raw",
                 "raw"},
        PathCase{"MixedLastBackslashCounts", "/data\\x/y\\z", "/data\\x/y\\", "z", kFails}),
    test::RowName());

TEST(PathSplit, SeparatorBeyondSixteenBitPositionOverflows) {
    const std::string path = std::string(32766, 'a') + "\\b.gsi";  // "\" at position 32767
    EXPECT_THROW(GetFilePath(path), std::overflow_error);
    EXPECT_EQ(GetFileName(std::string(32765, 'a') + "\\b"), "b");  // position 32766
}

// A path pasted or typed on Windows, and what a run takes from it.
TEST(TidyWindowsPath, DropsWhatWindowsIgnoresInNames) {
    const std::pair<std::string, std::string> rows[] = {
        {"\"C:\\meet\\dag 1.gsi\"", "C:\\meet\\dag 1.gsi"},  // Explorer's "Copy as path"
        {"C:\\meet.gsi . ", "C:\\meet.gsi"},                 // trailing blanks and dots
        {"\"C:\\meet.gsi \"  ", "C:\\meet.gsi"},             // both, blanks after the quote
        {"C:\\meet\\..", "C:\\meet\\.."},                    // a folder reference stays
        {"a\"b.gsi", "a\"b.gsi"},                            // a quote that encloses nothing
        {"", ""},
    };
    for (const auto& [typed, tidy] : rows) EXPECT_EQ(TidyWindowsPath(typed), tidy) << typed;
    EXPECT_EQ(TypedPath("meet.gsi "), test::kWindows ? "meet.gsi" : "meet.gsi ");
}

TEST(FileExistsTest, TrueOnlyForRegularFiles) {
    test::TempDir dir;
    test::WriteFile(dir / "meet.gsi", "x");
    std::filesystem::create_directory(dir.Path() / "map");

    EXPECT_TRUE(FileExists(dir / "meet.gsi"));
    EXPECT_FALSE(FileExists(dir / "map"));
    EXPECT_FALSE(FileExists(dir / "weg.gsi"));
    EXPECT_FALSE(FileExists(dir / "meet.gsi/sub"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(test::kWindows ? "NUL" : "/dev/null"));
}

TEST(FileExistsTest, FollowsLinks) {
    if (test::kWindows) GTEST_SKIP() << "symbolic links need a privilege on Windows";
    test::TempDir dir;
    test::WriteFile(dir / "meet.gsi", "x");
    std::filesystem::create_symlink(dir.Path() / "meet.gsi", dir.Path() / "link.gsi");
    std::filesystem::create_symlink(dir.Path() / "weg.gsi", dir.Path() / "dangling.gsi");

    EXPECT_TRUE(FileExists(dir / "link.gsi"));
    EXPECT_FALSE(FileExists(dir / "dangling.gsi"));
}

TEST(FileExistsTest, TakesUtf8Paths) {
    test::TempDir dir;
    const std::string name = dir / "m\xC3\xA9tingen \xE2\x82\xAC.gsi";  // "métingen €.gsi"
    test::WriteFile(name, "x");
    EXPECT_TRUE(FileExists(name));
}

}  // namespace
}  // namespace tessavo
