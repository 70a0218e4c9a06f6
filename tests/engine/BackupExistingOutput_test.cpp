// Tessavo - cleaning of Leica GSI measurement files.
#include "BackupExistingOutput.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace tessavo {
namespace {

using test::Exists;
using test::FakeServices;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr auto Ok = MessageAnswer::Ok;
constexpr auto Cancel = MessageAnswer::Cancel;

Message FirstWarning(const std::string& backupPath) {
    return {
        MessageKind::Question,
        {"Uitvoerbestand bestaat reeds !", "Backup zal worden bewaard onder de naam:", backupPath},
        MessageIcon::Warning,
        MessageButtons::OkCancel,
        "Let op"};
}

const Message kSecondWarning{MessageKind::Question,
                             {"Backupbestand bestaat reeds !", "Backup zal worden overschreven."},
                             MessageIcon::Warning,
                             MessageButtons::OkCancel,
                             "Let op"};

struct BackupCase {
    const char* name;
    friend void PrintTo(const BackupCase& c, std::ostream* os) { *os << c.name; }
    bool outputPresent;
    bool backupPresent;
    bool autoBackup;
    std::vector<MessageAnswer> answers;
    int warningsShown;  // 0, 1 (first) or 2 (first and second)
    BackupOutcome outcome;
    bool renamed;  // afterwards the output stands at the backup path
};

class BackupTableTest : public testing::TestWithParam<BackupCase> {};

TEST_P(BackupTableTest, LeavesDiskAsExpected) {
    const BackupCase& c = GetParam();
    TempDir dir;
    const std::string input = dir / "in.gsi", output = dir / "out.gsi",
                      backup = dir / "out.gsi.bak";
    WriteFile(input, "IN");
    if (c.outputPresent) WriteFile(output, "OUT");
    if (c.backupPresent) WriteFile(backup, "OLD");
    FakeServices services;
    services.answers = c.answers;

    const BackupResult result = BackupExistingOutput(input, output, c.autoBackup, services);

    EXPECT_EQ(result.outcome, c.outcome);
    std::vector<Message> expected;
    if (c.warningsShown >= 1) expected.push_back(FirstWarning(backup));
    if (c.warningsShown >= 2) expected.push_back(kSecondWarning);
    EXPECT_EQ(services.messages, expected);
    EXPECT_EQ(ReadFile(input), "IN");
    if (c.renamed) {
        EXPECT_FALSE(Exists(output));
        EXPECT_EQ(ReadFile(backup), "OUT");
        EXPECT_TRUE(result.backupMade);
    } else {
        EXPECT_EQ(Exists(output), c.outputPresent);
        if (c.outputPresent) {
            EXPECT_EQ(ReadFile(output), "OUT");
        }
        EXPECT_EQ(Exists(backup), c.backupPresent);
        if (c.backupPresent) {
            EXPECT_EQ(ReadFile(backup), "OLD");
        }
        EXPECT_FALSE(result.backupMade);
    }
    if (c.outcome == BackupOutcome::Proceed) {
        EXPECT_EQ(result.readPath, input);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Matrix, BackupTableTest,
    testing::Values(
        BackupCase{"NoOutputNoBackup", false, false, false, {}, 0, BackupOutcome::Proceed, false},
        BackupCase{
            "NoOutputBackupLeftAlone", false, true, true, {}, 0, BackupOutcome::Proceed, false},
        BackupCase{"AutoRenames", true, false, true, {}, 0, BackupOutcome::Proceed, true},
        BackupCase{"AutoReplacesOldBackup", true, true, true, {}, 0, BackupOutcome::Proceed, true},
        BackupCase{"AskedOk", true, false, false, {Ok}, 1, BackupOutcome::Proceed, true},
        BackupCase{"AskedCancel", true, false, false, {Cancel}, 1, BackupOutcome::Stop, false},
        BackupCase{"AskedOkOk", true, true, false, {Ok, Ok}, 2, BackupOutcome::Proceed, true},
        BackupCase{"AskedOkCancel", true, true, false, {Ok, Cancel}, 2, BackupOutcome::Stop, false},
        BackupCase{"AskedCancelFirst", true, true, false, {Cancel}, 1, BackupOutcome::Stop, false}),
    test::RowName());

// Ways of naming the input file as the output; each is cleaning in place.
class InPlaceTest : public testing::TestWithParam<const char*> {};

TEST_P(InPlaceTest, ReadsFromTheBackup) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "sub");
    const std::string input = dir / "meet.gsi";
    WriteFile(input, "IN");
    const std::string output = dir / GetParam();
    FakeServices services;

    const BackupResult result = BackupExistingOutput(input, output, true, services);

    EXPECT_EQ(result.outcome, BackupOutcome::Proceed);
    EXPECT_EQ(result.readPath, output + ".bak");
    EXPECT_EQ(result.backupPath, output + ".bak");
    EXPECT_TRUE(services.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(SameFile, InPlaceTest,
                         testing::Values("meet.gsi", "./meet.gsi", "sub/../meet.gsi"));
#ifdef _WIN32
// Windows names one file in any letter case, and takes "\" as well as "/".
INSTANTIATE_TEST_SUITE_P(SameFileOnWindows, InPlaceTest,
                         testing::Values("MEET.GSI", "sub\\..\\meet.gsi"));
#endif

TEST(InPlace, LinkToTheInputIsRenamedNotTheInput) {
    // The link is the output; it moves to the backup path and still leads to the input.
    if (test::kWindows) GTEST_SKIP() << "symbolic links need a privilege on Windows";
    TempDir dir;
    const std::string input = dir / "meet.gsi", link = dir / "link.gsi";
    WriteFile(input, "IN");
    std::filesystem::create_symlink(input, link);
    FakeServices services;
    const BackupResult result = BackupExistingOutput(input, link, true, services);
    EXPECT_EQ(result.readPath, link + ".bak");
    EXPECT_EQ(ReadFile(result.readPath), "IN");
}

TEST(InPlace, PathsDifferingInCaseAreDifferentFiles) {
    if (test::kWindows) GTEST_SKIP() << "names differing in case name one file on Windows";
    TempDir dir;
    const std::string input = dir / "meet.gsi", output = dir / "MEET.GSI";
    WriteFile(input, "IN");
    WriteFile(output, "OUT");
    FakeServices services;
    const BackupResult result = BackupExistingOutput(input, output, true, services);
    EXPECT_EQ(result.readPath, input);
    EXPECT_EQ(ReadFile(input), "IN");
    EXPECT_EQ(ReadFile(output + ".bak"), "OUT");
}

TEST(BackupPath, BareFileNameGetsBakAppended) {
    TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    WriteFile("in.gsi", "IN");
    WriteFile("out.gsi", "OUT");
    FakeServices services;
    const BackupResult result = BackupExistingOutput("in.gsi", "out.gsi", true, services);
    std::filesystem::current_path(previous);
    EXPECT_EQ(result.outcome, BackupOutcome::Proceed);
    EXPECT_EQ(result.backupPath, "out.gsi.bak");
    EXPECT_EQ(ReadFile(dir / "out.gsi.bak"), "OUT");
}

TEST(BackupRefusal, InputThatIsTheBackupIsNeverDeleted) {
    for (const bool autoBackup : {true, false}) {
        TempDir dir;
        const std::string output = dir / "out.gsi", input = output + ".bak";
        WriteFile(output, "OUT");
        WriteFile(input, "IN");
        FakeServices services;

        const BackupResult result = BackupExistingOutput(input, output, autoBackup, services);

        EXPECT_EQ(result.outcome, BackupOutcome::Refused);
        const Message refusal{MessageKind::Refusal,
                              {"Invoerbestand is het backupbestand van het uitvoerbestand !",
                               "Bewerking is niet mogelijk."},
                              MessageIcon::Warning,
                              MessageButtons::Ok,
                              "Let op"};
        EXPECT_EQ(services.messages, std::vector<Message>{refusal});
        EXPECT_EQ(ReadFile(input), "IN");
        EXPECT_EQ(ReadFile(output), "OUT");
    }
}

}  // namespace
}  // namespace tessavo
