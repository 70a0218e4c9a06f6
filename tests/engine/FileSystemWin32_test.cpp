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

using test::PrintTo;
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
    EXPECT_EQ(test::TakeSnapshot(dir.Path()), (test::Snapshot{{"b.gsi", "B"}, {"c.gsi", "A"}}));

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

// Windows' reserved device names, in any case and with any extension, name a device in
// every folder: refused before anything is touched, as an output that is no file and as an
// input that is not there.
struct DeviceCase {
    const char* name;
    std::string file;
    bool asOutput;
};

class DeviceNameTest : public testing::TestWithParam<DeviceCase> {};

TEST_P(DeviceNameTest, IsRefused) {
    const DeviceCase& c = GetParam();
    TempDir dir;
    WriteFile(dir / "in.gsi", "110001+1\r\n");
    const test::Snapshot before = test::TakeSnapshot(dir.Path());
    const std::string device = dir / c.file;
    test::FakeServices services;

    const RunResult result = c.asOutput ? CleaningRun(dir / "in.gsi", device, true, services)
                                        : CleaningRun(device, dir / "uit.gsi", true, services);

    const std::vector<std::string> expected =
        c.asOutput ? std::vector<std::string>{"Uitvoerbestand is geen gewoon bestand:", device,
                                              "Op die plaats staat een apparaat.",
                                              "Bewerking is niet mogelijk."}
                   : std::vector<std::string>{"Invoerbestand niet gevonden !",
                                              "Bewerking is niet mogelijk."};
    EXPECT_EQ(result.outcome, c.asOutput ? RunOutcome::Refused : RunOutcome::InputMissing);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].lines, expected);
    EXPECT_EQ(test::TakeSnapshot(dir.Path()), before);
}

INSTANTIATE_TEST_SUITE_P(Reserved, DeviceNameTest,
                         testing::Values(DeviceCase{"Con", "con.gsi", true},
                                         DeviceCase{"NulWithTwoExtensions", "NUL.tar.gsi", true},
                                         DeviceCase{"AuxWithABlank", "Aux .gsi", true},
                                         DeviceCase{"Com1", "COM1.GSI", true},
                                         DeviceCase{"Lpt9", "lpt9", true},
                                         DeviceCase{"PrnAsInput", "prn.gsi", false}),
                         test::RowName());

// A path beyond Windows' old limit of 260 characters is cleaned in place, with its backup
// and its temporary names longer still.
TEST(FileLayerWin32, LongPathIsCleanedInPlace) {
    TempDir dir;
    std::filesystem::path folder = dir.Path();
    for (int i = 0; i < 6; ++i) folder /= std::string(50, static_cast<char>('a' + i));
    std::filesystem::create_directories(folder);
    const std::string path = test::FromFsPath(folder / "meting.gsi");
    ASSERT_GT(path.size(), 300u);
    WriteFile(path, "110001+1\r\n");
    test::FakeServices services;

    EXPECT_EQ(CleaningRun(path, path, true, services).outcome, RunOutcome::Completed);

    // The standard library's folder listing stops at the old limit; Windows' own does not.
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE listing = FindFirstFileW((L"\\\\?\\" + folder.wstring() + L"\\*").c_str(), &found);
    ASSERT_NE(listing, INVALID_HANDLE_VALUE);
    do {
        if (found.cFileName[0] != L'.') names.push_back(found.cFileName);
    } while (FindNextFileW(listing, &found));
    FindClose(listing);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"meting.gsi", L"meting.gsi.bak"}));
    EXPECT_EQ(test::ReadFile(path), "110001+00000001 \r\n");
    EXPECT_EQ(test::ReadFile(path + ".bak"), "110001+1\r\n");
}

// A replaced output keeps its attributes, such as hidden.
TEST(FileLayerWin32, ReplacedOutputKeepsItsAttributes) {
    TempDir dir;
    const std::string path = dir / "meting.gsi";
    WriteFile(path, "110001+1\r\n");
    ASSERT_TRUE(SetFileAttributesW(ToFsPath(path).c_str(), FILE_ATTRIBUTE_HIDDEN));
    test::FakeServices services;

    EXPECT_EQ(CleaningRun(path, path, true, services).outcome, RunOutcome::Completed);

    EXPECT_EQ(GetFileAttributesW(ToFsPath(path).c_str()) & FILE_ATTRIBUTE_HIDDEN,
              DWORD{FILE_ATTRIBUTE_HIDDEN});
    EXPECT_EQ(test::ReadFile(path), "110001+00000001 \r\n");
}

}  // namespace
}  // namespace tessavo
