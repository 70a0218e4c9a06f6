// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of an existing output: the backup matrix, runs in place, an input that is the backup.
#include "BackupExistingOutput.h"

#include <gtest/gtest.h>

#include "CleaningRun.h"
#include "TestSupport.h"

namespace tessavo {
namespace {

using test::Exists;
using test::FakeServices;
using test::LetOp;
using test::PrintTo;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr auto Ok = MessageAnswer::Ok;
constexpr auto Cancel = MessageAnswer::Cancel;

// The input as the run writes it: already clean, so the output is the same bytes.
const std::string kClean = "110001+00000001 \r\n";
const std::string kClean16 = "*110001+0000000000000001 \r\n";
const std::string kDirty = "110001+1\r\n";

Message FirstWarning(const std::string& backupPath) {
    return LetOp(
        MessageKind::Question,
        {"Uitvoerbestand bestaat reeds !", "Backup zal worden bewaard onder de naam:", backupPath},
        MessageButtons::OkCancel);
}

const Message kSecondWarning = LetOp(
    MessageKind::Question, {"Backupbestand bestaat reeds !", "Backup zal worden overschreven."},
    MessageButtons::OkCancel);

struct BackupCase {
    const char* name;
    bool outputPresent;
    bool backupPresent;
    bool autoBackup;
    std::vector<MessageAnswer> answers;
    int warningsShown;  // 0, 1 (first) or 2 (first and second)
    bool proceeds;      // the run writes the output; the old output becomes the backup
};

class BackupTableTest : public testing::TestWithParam<BackupCase> {};

TEST_P(BackupTableTest, LeavesDiskAsExpected) {
    const BackupCase& c = GetParam();
    TempDir dir;
    const std::string input = dir / "in.gsi", output = dir / "out.gsi",
                      backup = dir / "out.gsi.bak";
    WriteFile(input, kClean);
    if (c.outputPresent) WriteFile(output, "OUT");
    if (c.backupPresent) WriteFile(backup, "OLD");
    FakeServices services;
    services.answers = c.answers;

    const RunResult result = CleaningRun(input, output, c.autoBackup, services);

    EXPECT_EQ(result.outcome, c.proceeds ? RunOutcome::Completed : RunOutcome::Cancelled);
    std::vector<Message> expected;
    if (c.warningsShown >= 1) expected.push_back(FirstWarning(backup));
    if (c.warningsShown >= 2) expected.push_back(kSecondWarning);
    services.messages.resize(std::min(services.messages.size(), expected.size()));
    EXPECT_EQ(services.messages, expected);
    EXPECT_EQ(ReadFile(input), kClean);
    const std::string outputAfter = c.proceeds ? kClean : c.outputPresent ? "OUT" : "";
    const std::string backupAfter = c.proceeds && c.outputPresent ? "OUT"
                                    : c.backupPresent             ? "OLD"
                                                                  : "";
    EXPECT_EQ(Exists(output), !outputAfter.empty());
    if (!outputAfter.empty()) {
        EXPECT_EQ(ReadFile(output), outputAfter);
    }
    EXPECT_EQ(Exists(backup), !backupAfter.empty());
    if (!backupAfter.empty()) {
        EXPECT_EQ(ReadFile(backup), backupAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Matrix, BackupTableTest,
    testing::Values(BackupCase{"NoOutputNoBackup", false, false, false, {}, 0, true},
                    BackupCase{"NoOutputBackupLeftAlone", false, true, true, {}, 0, true},
                    BackupCase{"AutoRenames", true, false, true, {}, 0, true},
                    BackupCase{"AutoReplacesOldBackup", true, true, true, {}, 0, true},
                    BackupCase{"AskedOk", true, false, false, {Ok}, 1, true},
                    BackupCase{"AskedCancel", true, false, false, {Cancel}, 1, false},
                    BackupCase{"AskedOkOk", true, true, false, {Ok, Ok}, 2, true},
                    BackupCase{"AskedOkCancel", true, true, false, {Ok, Cancel}, 2, false},
                    BackupCase{"AskedCancelFirst", true, true, false, {Cancel}, 1, false}),
    test::RowName());

// A second run, to GSI-8 or GSI-16, over what a first run made to GSI-8: the original is
// never replaced by what was cleaned from it, and a run that changes nothing says so.
struct AgainCase {
    const char* name;
    bool inPlace;
    OutputFormat second;
    bool autoBackup;
    std::vector<MessageAnswer> answers;
};

class AgainTest : public testing::TestWithParam<AgainCase> {};

TEST_P(AgainTest, KeepsTheOriginal) {
    const AgainCase& c = GetParam();
    TempDir dir;
    const std::string input = dir / "meet.gsi", output = c.inPlace ? input : dir / "uit.gsi";
    WriteFile(input, kDirty);
    FakeServices first, second;
    first.format = OutputFormat::Gsi8;
    ASSERT_EQ(CleaningRun(input, output, true, first).outcome, RunOutcome::Completed);
    second.format = c.second;
    second.answers = c.answers;

    EXPECT_EQ(CleaningRun(input, output, c.autoBackup, second).outcome, RunOutcome::Completed);

    const bool changed = c.second == OutputFormat::Gsi16;
    const std::string cleaned = changed ? kClean16 : kClean;
    EXPECT_EQ(test::TakeSnapshot(dir.Path()),
              (c.inPlace ? test::Snapshot{{"meet.gsi", cleaned}, {"meet.gsi.bak", kDirty}}
                         : test::Snapshot{{"meet.gsi", kDirty}, {"uit.gsi", cleaned}}));
    std::vector<std::string> expected{"Opgeschoond GSI bestand is gereed", "Aantal meetregels:  1"};
    if (changed) {
        expected.insert(expected.end(), {"Backup met het origineel is bewaard:", output + ".bak"});
    } else {
        expected.push_back("Er is niets gewijzigd: het bestand was al opgeschoond.");
    }
    ASSERT_FALSE(second.messages.empty());
    EXPECT_EQ(second.messages.back().lines, expected);
}

INSTANTIATE_TEST_SUITE_P(
    SecondRun, AgainTest,
    testing::Values(AgainCase{"SameFormatChangesNothing", true, OutputFormat::Gsi8, true, {}},
                    AgainCase{"OtherFormatKeepsTheBackup", true, OutputFormat::Gsi16, true, {}},
                    AgainCase{
                        "KeptAfterTheQuestionsToo", true, OutputFormat::Gsi16, false, {Ok, Ok}},
                    AgainCase{"SeparateOutputGetsNoBackup", false, OutputFormat::Gsi8, true, {}}),
    test::RowName());

// A name as long as its backup's name allows is cleaned in place again and again: the
// temporary names, longer as they stand, are cut short to fit.
TEST(InPlace, LongestNameIsCleanedAgain) {
    TempDir dir;
    const std::string name = std::string(247, 'm') + ".gsi";  // with ".bak", 255 bytes
    const std::string path = dir / name;
    WriteFile(path, kDirty);
    for (const OutputFormat format : {OutputFormat::Gsi8, OutputFormat::Gsi16}) {
        FakeServices services;
        services.format = format;
        EXPECT_EQ(CleaningRun(path, path, true, services).outcome, RunOutcome::Completed);
    }
    EXPECT_EQ(test::TakeSnapshot(dir.Path()),
              (test::Snapshot{{name, kClean16}, {name + ".bak", kDirty}}));
}

// Ways of naming the input file as the output; each is cleaning in place.
class InPlaceTest : public testing::TestWithParam<const char*> {};

TEST_P(InPlaceTest, OriginalBecomesTheBackup) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "sub");
    const std::string input = dir / "meet.gsi";
    WriteFile(input, "110001+1\r\n");
    const std::string output = (dir.Path() / GetParam()).string();
    FakeServices services;

    EXPECT_EQ(CleaningRun(input, output, true, services).outcome, RunOutcome::Completed);

    EXPECT_EQ(ReadFile(input), kClean);
    EXPECT_EQ(ReadFile(input + ".bak"), "110001+1\r\n");
}

INSTANTIATE_TEST_SUITE_P(SameFile, InPlaceTest,
                         testing::Values("meet.gsi", "./meet.gsi", "sub/../meet.gsi"));

#ifndef _WIN32
TEST(InPlace, LinkIsFollowedToItsFileAndStaysALink) {
    // The link, in another folder, is the output: the file it leads to is cleaned in place,
    // with its backup and every file of the run in that file's folder.
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "sub");
    const std::string input = dir / "meet.gsi", link = dir / "sub/link.gsi";
    WriteFile(input, "110001+1\r\n");
    std::filesystem::create_symlink("../meet.gsi", link);
    FakeServices services;
    EXPECT_EQ(CleaningRun(link, link, true, services).outcome, RunOutcome::Completed);
    EXPECT_EQ(test::TakeSnapshot(dir.Path()),
              (test::Snapshot{{"meet.gsi", kClean},
                              {"meet.gsi.bak", "110001+1\r\n"},
                              {"sub", "<folder>"},
                              {"sub/link.gsi", "<link to ../meet.gsi>"}}));
}

TEST(InPlace, PathsDifferingInCaseAreDifferentFiles) {
    TempDir dir;
    const std::string input = dir / "meet.gsi", output = dir / "MEET.GSI";
    WriteFile(input, kClean);
    WriteFile(output, "OUT");
    FakeServices services;
    EXPECT_EQ(CleaningRun(input, output, true, services).outcome, RunOutcome::Completed);
    EXPECT_EQ(ReadFile(input), kClean);
    EXPECT_EQ(ReadFile(output + ".bak"), "OUT");
}
#endif

TEST(BackupPath, BareFileNameGetsBakAppended) {
    TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    WriteFile("in.gsi", kClean);
    WriteFile("out.gsi", "OUT");
    FakeServices services;
    const RunResult result = CleaningRun("in.gsi", "out.gsi", true, services);
    std::filesystem::current_path(previous);
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(ReadFile(dir / "out.gsi.bak"), "OUT");
}

TEST(BackupRefusal, InputThatIsTheBackupIsNeverDeleted) {
    for (const bool autoBackup : {true, false}) {
        TempDir dir;
        const std::string output = dir / "out.gsi", input = output + ".bak";
        WriteFile(output, "OUT");
        WriteFile(input, "IN");
        FakeServices services;

        EXPECT_EQ(CleaningRun(input, output, autoBackup, services).outcome, RunOutcome::Refused);

        const Message refusal = LetOp(
            MessageKind::Refusal, {"Invoerbestand is het backupbestand van het uitvoerbestand !",
                                   "Bewerking is niet mogelijk."});
        EXPECT_EQ(services.messages, std::vector<Message>{refusal});
        EXPECT_EQ(ReadFile(input), "IN");
        EXPECT_EQ(ReadFile(output), "OUT");
    }
}

}  // namespace
}  // namespace tessavo
