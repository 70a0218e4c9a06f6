// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the command line's Windows services: where its text goes (a console or a
// redirected handle) and the wildcards it expands.
#include "SystemServices.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "TestSupport.h"
#include "modFileHandling.h"

namespace tessavo::test {
namespace {

// "ë" and a Chinese letter, as a Dutch surveyor's or a colleague's file names hold them.
const std::string kText = "meëting-测量.gsi";
const std::wstring kWide = L"me\u00ebting-\u6d4b\u91cf.gsi";

// A console of the test's own, made for the test and given up after it; the standard
// handles that a new console takes over are put back.
class ConsoleTest : public testing::Test {
  protected:
    void SetUp() override {
        for (DWORD which : kStandard) saved_.push_back(GetStdHandle(which));
        FreeConsole();
        ASSERT_TRUE(AllocConsole()) << "no console: " << GetLastError();
        screen_ = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            CONSOLE_TEXTMODE_BUFFER, nullptr);
        ASSERT_NE(screen_, INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        if (screen_ != INVALID_HANDLE_VALUE) CloseHandle(screen_);
        FreeConsole();
        for (std::size_t i = 0; i < saved_.size(); ++i) SetStdHandle(kStandard[i], saved_[i]);
    }

    static constexpr DWORD kStandard[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    std::vector<HANDLE> saved_;
    HANDLE screen_ = INVALID_HANDLE_VALUE;
};

TEST_F(ConsoleTest, DutchLettersReachTheConsoleAsWritten) {
    *cli::HandleStream(screen_) << kText << std::flush;

    std::wstring shown(kWide.size(), L'\0');
    DWORD read = 0;
    ASSERT_TRUE(ReadConsoleOutputCharacterW(screen_, shown.data(), static_cast<DWORD>(shown.size()),
                                            {0, 0}, &read));
    EXPECT_EQ(shown, kWide);
}

TEST(RedirectedTest, TextStaysUtf8) {
    TempDir dir;
    const std::wstring path = ToFsPath(dir / "out.txt").wstring();
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    *cli::HandleStream(file) << kText << std::flush;
    CloseHandle(file);
    EXPECT_EQ(ReadFile(dir / "out.txt"), kText);
}

// Files only, sorted without regard to letter case, each with the pattern's folder; a
// pattern that matches nothing gives nothing.
TEST(WildcardTest, MatchingFilesSorted) {
    TempDir dir;
    for (const char* name : {"b.gsi", "C.gsi", "a.gsi", "a.txt"}) WriteFile(dir / name, "");
    std::filesystem::create_directory(ToFsPath(dir / "d.gsi"));
    const std::string folder = dir / "";
    cli::SystemServices system;

    EXPECT_EQ(system.ExpandWildcards(folder + "*.gsi"),
              (std::vector<std::string>{folder + "a.gsi", folder + "b.gsi", folder + "C.gsi"}));
    EXPECT_EQ(system.ExpandWildcards(folder + "?.txt"), std::vector<std::string>{folder + "a.txt"});
    EXPECT_TRUE(system.ExpandWildcards(folder + "*.raw").empty());
}

}  // namespace
}  // namespace tessavo::test
