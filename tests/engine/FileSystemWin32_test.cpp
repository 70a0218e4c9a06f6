// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's file layer on Windows, under wine: what the run relies on of the Win32 calls.
#include <gtest/gtest.h>
#include <windows.h>

#include "CleaningRun.h"
#include "FileSystem.h"
#include "TestSupport.h"
#include "modFileHandling.h"

namespace tessavo {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(FileLayerWin32, LocksKeepRunsApartButNotReaders) {
    TempDir dir;
    WriteFile(dir / "meet.gsi", "12345");
    std::error_code ec;
    fs::File first = fs::File::OpenForReading(dir / "meet.gsi", ec);
    fs::File second = fs::File::OpenForReading(dir / "meet.gsi", ec);
    ASSERT_FALSE(ec);

    EXPECT_TRUE(first.TryLock(true, ec));
    EXPECT_FALSE(second.TryLock(false, ec));
    EXPECT_FALSE(ec);
    // The lock lies beyond the data: another handle still reads all of it.
    char data[8] = {};
    EXPECT_EQ(second.Read(data, sizeof data, ec), 5u);
    EXPECT_EQ(std::string(data, 5), "12345");

    first.Close();
    EXPECT_TRUE(second.TryLock(false, ec));
    // Shared locks go together; an exclusive one waits for all of them.
    fs::File third = fs::File::OpenForReading(dir / "meet.gsi", ec);
    EXPECT_TRUE(third.TryLock(false, ec));
    fs::File fourth = fs::File::OpenForReading(dir / "meet.gsi", ec);
    EXPECT_FALSE(fourth.TryLock(true, ec));
}

TEST(FileLayerWin32, OpenFilesMoveButNeverOntoAnotherFile) {
    TempDir dir;
    WriteFile(dir / "a.gsi", "A");
    WriteFile(dir / "b.gsi", "B");
    std::error_code ec;
    fs::File open = fs::File::OpenForReading(dir / "a.gsi", ec);
    ASSERT_TRUE(open.TryLock(true, ec));

    EXPECT_EQ(fs::MoveNoReplace(dir / "a.gsi", dir / "b.gsi"), std::errc::file_exists);
    EXPECT_FALSE(fs::MoveNoReplace(dir / "a.gsi", dir / "c.gsi"));
    EXPECT_EQ(test::TakeSnapshot(dir.path()), (test::Snapshot{{"b.gsi", "B"}, {"c.gsi", "A"}}));

    fs::File created = fs::File::CreateNew(dir / "b.gsi", ec);
    EXPECT_EQ(ec, std::errc::file_exists);
    EXPECT_FALSE(created.IsOpen());
}

// Another program holds the input without sharing it: the run says so in Dutch, from the
// code that Windows gives.
TEST(FileLayerWin32, FileHeldByAnotherProgramIsInUse) {
    TempDir dir;
    const std::string input = dir / "in.gsi";
    WriteFile(input, "110001+1\r\n");
    HANDLE held = CreateFileW(ToFsPath(input).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    test::FakeServices services;

    EXPECT_EQ(CleaningRun(input, dir / "uit.gsi", true, services).outcome, RunOutcome::Failed);
    CloseHandle(held);

    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].lines,
              (std::vector<std::string>{"Invoerbestand kan niet worden geopend:", input,
                                        "Het bestand is in gebruik.", "Bewerking is afgebroken."}));
}

}  // namespace
}  // namespace tessavo
