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

TEST(ConsoleTest, DutchLettersReachTheConsoleAsWritten) {
    // A console of the test's own, since a test under wine has none; the C runtime's
    // streams, which GoogleTest writes to, keep their handles.
    FreeConsole();
    ASSERT_TRUE(AllocConsole()) << "no console: " << GetLastError();
    const HANDLE screen =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    ASSERT_NE(screen, INVALID_HANDLE_VALUE);

    *cli::HandleStream(screen) << kText << std::flush;

    std::wstring shown(kWide.size(), L'\0');
    DWORD read = 0;
    EXPECT_TRUE(ReadConsoleOutputCharacterW(screen, shown.data(), static_cast<DWORD>(shown.size()),
                                            {0, 0}, &read));
    EXPECT_EQ(shown, kWide);
    CloseHandle(screen);
    FreeConsole();
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

// Standard input and output as files of the engine's file layer: a pipe read to its end
// (where Windows reports the pipe closed by its writer), and a file as standard output.
TEST(StandardFileTest, PipeInFileOut) {
    TempDir dir;
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    DWORD written = 0;
    ::WriteFile(writeEnd, "abc", 3, &written, nullptr);
    CloseHandle(writeEnd);
    const HANDLE file = CreateFileW(ToFsPath(dir / "out").wstring().c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE), output = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_INPUT_HANDLE, readEnd);
    SetStdHandle(STD_OUTPUT_HANDLE, file);
    std::error_code inError, outError;
    tessavo::fs::File in, out;
    {
        cli::SystemServices system;
        in = system.StandardFile(cli::StandardStream::Input, inError);
        out = system.StandardFile(cli::StandardStream::Output, outError);
    }
    SetStdHandle(STD_INPUT_HANDLE, input);
    SetStdHandle(STD_OUTPUT_HANDLE, output);
    CloseHandle(readEnd);  // the files are handles of their own
    CloseHandle(file);
    ASSERT_FALSE(inError || outError);

    std::string read(8, '\0');
    std::error_code ec;
    read.resize(in.Read(read.data(), read.size(), ec));
    EXPECT_EQ(read, "abc");
    EXPECT_EQ(in.Read(read.data(), 1, ec), 0u);  // the end, no error
    EXPECT_FALSE(ec);
    out.Write(read.data(), read.size(), ec);
    EXPECT_FALSE(ec || out.Close());
    EXPECT_EQ(ReadFile(dir / "out"), "abc");
}

// Files only, sorted without regard to letter case, each with the pattern's folder; a
// pattern that matches nothing gives nothing.
TEST(WildcardTest, MatchingFilesSorted) {
    TempDir dir;
    for (const char* name : {"b.gsi", "C.gsi", "a.gsi"}) WriteFile(dir / name, "");
    std::filesystem::create_directory(ToFsPath(dir / "d.gsi"));
    const std::string folder = dir / "";
    cli::SystemServices system;

    EXPECT_EQ(system.ExpandWildcards(folder + "*.gsi"),
              (std::vector<std::string>{folder + "a.gsi", folder + "b.gsi", folder + "C.gsi"}));
    EXPECT_TRUE(system.ExpandWildcards(folder + "*.raw").empty());
}

}  // namespace
}  // namespace tessavo::test
