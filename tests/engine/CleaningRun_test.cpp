// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of whole runs: the files written, the closing messages, a stop, faults that change nothing.
#include "CleaningRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <tuple>

#include "FileSystem.h"
#include "RunMessages.h"
#include "TestSupport.h"
#include "modFileHandling.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tessavo {
namespace {

using test::Exists;
using test::FakeServices;
using test::PrintTo;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using namespace std::string_literals;

const std::string kWord8 = "110001+00000001 ";
const std::string kWord16 = "*110001+0000000000000001 ";

Message Done(int count) {
    return {MessageKind::Report,
            {"Opgeschoond GSI bestand is gereed", "Aantal meetregels:  " + std::to_string(count)},
            MessageIcon::None,
            MessageButtons::Ok,
            std::nullopt,
            {}};
}
const Message kEmpty{MessageKind::Report,  {"GSI bestand is leeg !"},
                     MessageIcon::Warning, MessageButtons::Ok,
                     std::nullopt,         {}};
const Message kInputMissing = test::LetOp(
    MessageKind::Refusal, {"Invoerbestand niet gevonden !", "Bewerking is niet mogelijk."});

struct ContentCase {
    const char* name;
    std::string input;
    std::string outputName;
    OutputFormat format;
    std::string expected;
    int count;
    std::string unchangedNote = "";  // the closing message's line on lines copied unchanged
    std::vector<std::string> details = {};
};

class RunContentTest : public testing::TestWithParam<ContentCase> {};

TEST_P(RunContentTest, WritesExpectedFile) {
    const ContentCase& c = GetParam();
    TempDir dir;
    WriteFile(dir / "in.gsi", c.input);
    FakeServices services;
    services.format = c.format;

    const RunResult result = CleaningRun(dir / "in.gsi", dir / c.outputName, true, services);

    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.lineCount, c.count);
    EXPECT_EQ(ReadFile(dir / c.outputName), c.expected);
    Message closing = c.count > 0 ? Done(c.count) : kEmpty;
    if (!c.unchangedNote.empty()) {
        closing.lines.push_back(c.unchangedNote);
        closing.icon = MessageIcon::Warning;
        closing.details = c.details;
    }
    EXPECT_EQ(services.messages, std::vector<Message>{closing});
    EXPECT_TRUE(services.madeDefault);
    EXPECT_EQ(ReadFile(dir / "in.gsi"), c.input);
}

constexpr auto Same = OutputFormat::SameAsInput;
constexpr auto To8 = OutputFormat::Gsi8;
constexpr auto To16 = OutputFormat::Gsi16;

INSTANTIATE_TEST_SUITE_P(
    Contents, RunContentTest,
    testing::Values(
        ContentCase{"ZeroBytes", "", "out.gsi", Same, "", 0},
        ContentCase{"HeaderOnly", "Leica TPS-1100 Series\r\n", "out.raw", Same,
                    "Leica TPS-1100 Series\r\n", 0},
        ContentCase{"HeaderThenRecordNoRawLine", "Leica TPS-1100 Series\r\n" + kWord8, "out.raw",
                    Same, "Leica TPS-1100 Series\r\n" + kWord8 + "\r\n", 1},
        ContentCase{"SecondLineIsRecordWhateverItHolds",
                    "kop\r\nkop2\r\n" + kWord8,
                    "out.gsi",
                    Same,
                    "kop\r\nkop2\r\n" + kWord8 + "\r\n",
                    2,
                    "Ongewijzigde regels (niet te lezen als GSI woorden): 1, eerste is regel 2",
                    {"regel 2 blijft ongewijzigd"}},
        ContentCase{"FirstLineOfWordsIsRecord", "84..10+00001000 85..10+00002000", "out.gsi", To16,
                    "*84..10+0000000000001000 85..10+0000000000002000 \r\n", 1},
        ContentCase{"ByteOrderMarkIsNoData",
                    "\xEF\xBB\xBF*110001+0000000000000STN 84..10+0000000001000000 ", "out.gsi", To8,
                    "110001+00000STN 84..10+01000000 \r\n", 1},
        ContentCase{"ByteOrderMarkAloneIsAnEmptyFile", "\xEF\xBB\xBF", "out.gsi", Same, "", 0},
        ContentCase{"EndMarksThatEndTheFileAreNoData",
                    kWord8 + "\r\n" + kWord8 + "\x1A\r\n\r\n\x1A\x1A", "out.gsi", Same,
                    kWord8 + "\r\n" + kWord8 + "\r\n", 2},
        ContentCase{"EndMarksBeforeMoreDataAreData", kWord8 + "\x1A\r\n\r\n\x1A\r\n" + kWord8,
                    "out.gsi", Same, kWord8 + "\r\n\r\n\r\n" + kWord8 + "\r\n", 4},
        ContentCase{"BlankBefore11IsHeader", " 110001\r\n" + kWord8, "out.gsi", Same,
                    " 110001\r\n" + kWord8 + "\r\n", 1},
        ContentCase{"EmptyFirstLineIsHeader", "\r\n" + kWord8, "out.gsi", Same,
                    "\r\n" + kWord8 + "\r\n", 1},
        ContentCase{"RawLineFirstAnyCase", kWord8, "out.RaW", Same,
                    "Leica TPS-1100 Series\r\n" + kWord8 + "\r\n", 1},
        ContentCase{"FirstLine41IsRecord", "410001+00000001 ", "out.raw", Same,
                    "Leica TPS-1100 Series\r\n410001+00000001 \r\n", 1},
        ContentCase{"FurtherExtensionNoRawLine", kWord8, "job.raw.gsi", Same, kWord8 + "\r\n", 1},
        ContentCase{"OutputWithoutDotIsNotRaw", kWord8, "uitvoer", Same, kWord8 + "\r\n", 1},
        ContentCase{"MissingSeparatorBlankCompleted", "110001+00000001 21.324+0900000", "out.gsi",
                    Same, "110001+00000001 21.324+00900000 \r\n", 1},
        ContentCase{"StarLineOfFortyEightCompleted",
                    "*110001+0000000000000001 21.324+000000000900000", "out.gsi", Same,
                    "*110001+0000000000000001 21.324+0000000000900000 \r\n", 1},
        ContentCase{"SignedPartialWordCompleted", kWord8 + "21.324+0349", "out.gsi", To8,
                    kWord8 + "21.324+00000349 \r\n", 1},
        ContentCase{"EmptyLaterLineToGsi16", kWord8 + "\r\n\r\n", "out.gsi", To16,
                    kWord16 + "\r\n\r\n", 2},
        ContentCase{"EmptyLaterLineToGsi8", kWord16 + "\r\n\r\n", "out.gsi", To8,
                    kWord8 + "\r\n\r\n", 2},
        ContentCase{"ThreeRecords", kWord8 + "\r\n" + kWord8 + "\r\n" + kWord8 + "\r\n", "out.gsi",
                    Same, kWord8 + "\r\n" + kWord8 + "\r\n" + kWord8 + "\r\n", 3},
        ContentCase{"MixedKeepsEachLinesFormat", kWord16 + "\r\n110001+1\r\n", "out.gsi", Same,
                    kWord16 + "\r\n110001+00000001 \r\n", 2},
        ContentCase{"LfOnlyLineEnds", kWord8 + "\n" + kWord8 + "\n", "out.gsi", Same,
                    kWord8 + "\r\n" + kWord8 + "\r\n", 2},
        ContentCase{"CrOnlyLineEnds", "\r" + kWord8 + "\r\r\r", "out.gsi", Same,
                    "\r\n" + kWord8 + "\r\n\r\n\r\n", 3},
        ContentCase{"InstrumentFileUnchanged",
                    "110001+00000001 51..1.+0000-030 \r\n*110002+00000000GDEM5415 "
                    "51....+000000000017+000 \r\n",
                    "out.gsi", Same,
                    "110001+00000001 51..1.+0000-030 \r\n*110002+00000000GDEM5415 "
                    "51....+000000000017+000 \r\n",
                    2}),
    test::RowName());

// Values cut to the output's width and lines copied unchanged: counted, each with the first
// input line concerned (the header line counted), and told in the closing message.
TEST(CleaningRunTest, CountsAndTellsCutValuesAndUnchangedLines) {
    TempDir dir;
    const std::string cut = "*110002+0000000HCCULDTIE \r\n";
    const std::string unreadable = "*110003+STNC (1) 21.324+0000000036000000 \r\n";
    WriteFile(dir / "in.gsi", "kop\r\n" + kWord16 + "\r\n" + unreadable + cut + unreadable + cut);
    FakeServices services;
    services.format = To8;

    const RunResult r = CleaningRun(dir / "in.gsi", dir / "out.gsi", true, services);

    EXPECT_EQ(std::tuple(r.lineCount, r.cutValues, r.firstCutLine, r.unchangedLines,
                         r.firstUnchangedLine),
              std::tuple(5, 2, 4, 2, 3));
    Message expected = Done(5);
    expected.lines.push_back(
        "Ingekorte waarden (te lang voor het uitvoerformaat): 2, eerste in regel 4");
    expected.lines.push_back(
        "Ongewijzigde regels (niet te lezen als GSI woorden): 2, eerste is regel 3");
    expected.icon = MessageIcon::Warning;
    expected.details = {
        "regel 3 blijft ongewijzigd", "regel 4, woord 11: +0000000HCCULDTIE wordt +CCULDTIE",
        "regel 5 blijft ongewijzigd", "regel 6, woord 11: +0000000HCCULDTIE wordt +CCULDTIE"};
    EXPECT_EQ(services.messages, std::vector<Message>{expected});
}

// A run lists the first changes and counts the rest; a check lists all of them, as it goes,
// and writes nothing.
TEST(ChangeListTest, BoundedInARunWholeInACheck) {
    TempDir dir;
    std::string input;  // two values that GSI-8 cuts in each of 600 lines
    for (int i = 0; i < 600; ++i) input += "*81..00+0000000286150753 82..00+0000000286150753 \r\n";
    WriteFile(dir / "in.gsi", input);
    FakeServices run;
    run.format = To8;
    const RunResult result = CleaningRun(dir / "in.gsi", dir / "out.gsi", true, run);
    ASSERT_EQ(result.changes.size(), kMaxListedChanges);
    EXPECT_EQ(result.changes.back(),
              (LineChange{500, false, {"82", "+0000000286150753", "+86150753"}}));
    EXPECT_EQ(result.changesLeftOut, 200);
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_EQ(run.messages[0].details.size(), kMaxListedChanges + 1);
    EXPECT_EQ(run.messages[0].details.back(), "\xE2\x80\xA6 en nog 200 wijzigingen");

    const test::Snapshot before = test::TakeSnapshot(dir.Path());
    FakeServices check;
    check.format = To8;
    std::vector<LineChange> listed;
    const RunResult checked = CheckRun({dir / "in.gsi"}, check,
                                       [&](const LineChange& change) { listed.push_back(change); });
    EXPECT_EQ(std::tuple(checked.outcome, checked.cutValues, listed.size(), checked.changes.size()),
              std::tuple(RunOutcome::Completed, 1200, 1200u, 0u));
    EXPECT_EQ(listed[999], result.changes.back());
    EXPECT_EQ(test::TakeSnapshot(dir.Path()), before);
}

// Lines that cannot be read as words wait until a line shows a word: a file that never
// does is no GSI file, and then no line stays as it is.
TEST(ChangeListTest, UnreadableLinesWaitForTheVerdict) {
    TempDir dir;
    for (const auto& [input, listed] :
         {std::pair{"kop\r\nA,1\r\nB,2\r\n\r\nC,3\r\n" + kWord8,
                    std::vector<std::int64_t>{2, 3, 5}},
          std::pair{"kop\r\nA,1\r\nB,2\r\n"s, std::vector<std::int64_t>{}}}) {
        WriteFile(dir / "in.gsi", input);
        FakeServices services;
        std::vector<std::int64_t> lines;
        const RunResult result =
            CheckRun({dir / "in.gsi"}, services, [&](const LineChange& change) {
                EXPECT_TRUE(change.unchanged);
                lines.push_back(change.line);
            });
        EXPECT_EQ(result.outcome, listed.empty() ? RunOutcome::Refused : RunOutcome::Completed);
        EXPECT_EQ(lines, listed);
    }
}

TEST(CleaningRunTest, MissingInputTouchesNothing) {
    TempDir dir;
    WriteFile(dir / "out.gsi", "OUT");
    for (const std::string& input : {dir / "weg.gsi", std::string(), dir.Path().string()}) {
        FakeServices services;
        const RunResult result = CleaningRun(input, dir / "out.gsi", true, services);
        EXPECT_EQ(result.outcome, RunOutcome::InputMissing);
        EXPECT_EQ(services.messages, std::vector<Message>{kInputMissing});
        EXPECT_FALSE(services.madeDefault);
        EXPECT_EQ(ReadFile(dir / "out.gsi"), "OUT");
        EXPECT_FALSE(Exists(dir / "out.gsi.bak"));
    }
}

TEST(CleaningRunTest, CancelInWarningEndsSilently) {
    TempDir dir;
    WriteFile(dir / "in.gsi", kWord8);
    WriteFile(dir / "out.gsi", "OUT");
    FakeServices services;
    services.answers = {MessageAnswer::Cancel};
    const RunResult result = CleaningRun(dir / "in.gsi", dir / "out.gsi", false, services);
    EXPECT_EQ(result.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(services.messages.size(), 1u);
    EXPECT_FALSE(services.madeDefault);
    EXPECT_EQ(ReadFile(dir / "out.gsi"), "OUT");
    EXPECT_FALSE(Exists(dir / "out.gsi.bak"));
}

TEST(CleaningRunTest, FormatAskedPerLineAndChangeAppliesFromNextLine) {
    TempDir dir;
    WriteFile(dir / "in.gsi", kWord8 + "\r\n" + kWord8 + "\r\n" + kWord8 + "\r\n");
    FakeServices services;
    // The third yield comes before the third line is read.
    services.onYield = [&services](int yield) {
        if (yield == 3) services.format = OutputFormat::Gsi16;
    };
    CleaningRun(dir / "in.gsi", dir / "out.gsi", true, services);
    EXPECT_EQ(ReadFile(dir / "out.gsi"), kWord8 + "\r\n" + kWord8 + "\r\n" + kWord16 + "\r\n");
    EXPECT_EQ(services.formatQueries, 3);
    EXPECT_EQ(services.yields, 5);
    // The last calls come after the last line, and once the output is on the disk:
    // everything read.
    const std::uint64_t size = 3 * (kWord8.size() + 2);
    EXPECT_EQ(services.lastProgress, (Progress{size, size}));
}

TEST(CleaningRunTest, StoppedRunChangesNothingAndTheNextRunWorks) {
    TempDir dir;
    const std::string path = dir / "meet.gsi";
    const std::string content = "110001+1\r\n110001+1\r\n110001+1\r\n";
    WriteFile(path, content);
    WriteFile(path + ".bak", "OLD");
    const test::Snapshot before = test::TakeSnapshot(dir.Path());
    FakeServices stopped;
    stopped.stopAfterYields = 3;

    const RunResult result = CleaningRun(path, path, true, stopped);

    EXPECT_EQ(result.outcome, RunOutcome::Stopped);
    EXPECT_TRUE(stopped.messages.empty());
    EXPECT_FALSE(stopped.madeDefault);
    EXPECT_EQ(test::TakeSnapshot(dir.Path()), before);

    FakeServices again;
    EXPECT_EQ(CleaningRun(path, path, true, again).outcome, RunOutcome::Completed);
    EXPECT_EQ(ReadFile(path), kWord8 + "\r\n" + kWord8 + "\r\n" + kWord8 + "\r\n");
    EXPECT_EQ(ReadFile(path + ".bak"), content);
}

TEST(CleaningRunTest, UnexpectedErrorAlsoPutsEverythingBack) {
    TempDir dir;
    const std::string path = dir / "meet.gsi";
    const std::string content = kWord8 + "\r\n" + kWord8 + "\r\n";
    WriteFile(path, content);
    FakeServices services;
    services.onYield = [](int yield) {
        if (yield == 2) throw std::bad_alloc();
    };
    EXPECT_EQ(CleaningRun(path, path, true, services).outcome, RunOutcome::Failed);
    EXPECT_EQ(ReadFile(path), content);
    EXPECT_FALSE(Exists(path + ".bak"));
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].lines,
              (std::vector<std::string>{"Onverwachte fout bij het opschonen van:", path,
                                        "Bewerking is afgebroken."}));
}

// What a fault row arranges besides files: calls of the file layer that fail, and a lower
// line-count limit.
struct Faults {
    fs::CallHook hook;
    std::int32_t maxLineCount = std::numeric_limits<std::int32_t>::max();
};

// Faults and refusals, each made to happen for real or injected; afterwards every file in
// the folder is byte for byte as it was and one warning says why, or, when the warning says
// that the old output stands as the backup already, that is the one change.
struct FaultCase {
    const char* name;
    std::function<void(const TempDir&, std::string& input, std::string& output, Faults&)> arrange;
    MessageKind kind;
    std::vector<std::string> expectedLines;  // "<in>", "<out>", "<dir>" stand for the paths
};

const char* const kKeptAsBackup = "Het oude uitvoerbestand is al als backup bewaard onder:";

std::string Substitute(const std::string& text, const std::string& input,
                       const std::string& output) {
    // The folder with its separator at the end ("\\" on Windows).
    const std::string folder = test::FromFsPath(ToFsPath(input).parent_path() / "");
    for (const auto& [token, path] :
         {std::pair{"<in>", &input}, std::pair{"<out>", &output}, std::pair{"<dir>", &folder}}) {
        if (text.starts_with(token)) return *path + text.substr(std::string_view(token).size());
    }
    return text;
}

class RunFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(RunFaultTest, ChangesNothingElse) {
    const FaultCase& c = GetParam();
    TempDir dir;
    std::string input = dir / "in.gsi", output = dir / "out.gsi";
    WriteFile(input, kWord8 + "\r\n" + kWord8 + "\r\n");
    Faults faults;
    c.arrange(dir, input, output, faults);
    test::Snapshot expectedAfter = test::TakeSnapshot(dir.Path());
    if (std::find(c.expectedLines.begin(), c.expectedLines.end(), std::string(kKeptAsBackup)) !=
        c.expectedLines.end()) {
        expectedAfter["out.gsi.bak"] = expectedAfter["out.gsi"];
    }
    FakeServices services;

    SetMaxLineCount(faults.maxLineCount);
    RunResult result;
    {
        test::FileCallHook hook(faults.hook);
        result = CleaningRun(input, output, true, services);
    }
    SetMaxLineCount(std::numeric_limits<std::int32_t>::max());

    EXPECT_EQ(result.outcome,
              c.kind == MessageKind::Failure ? RunOutcome::Failed : RunOutcome::Refused);
    std::vector<std::string> expected;
    for (const auto& line : c.expectedLines) expected.push_back(Substitute(line, input, output));
    EXPECT_EQ(services.messages, std::vector<Message>{test::LetOp(c.kind, expected)});
    EXPECT_FALSE(services.madeDefault);
    EXPECT_EQ(test::TakeSnapshot(dir.Path()), expectedAfter);
}

void InPlace(const TempDir&, std::string& input, std::string& output, Faults&) { output = input; }
void WithOutputAndBackup(const TempDir&, std::string&, std::string& output, Faults&) {
    WriteFile(output, "OUT");
    WriteFile(output + ".bak", "OLD");
}
void AddLongLine(std::string& input) {
    WriteFile(input, ReadFile(input) + std::string(32768, '1'));
}
void MakeReadOnly(const std::string& path) {
    std::filesystem::permissions(ToFsPath(path), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
}
bool EndsWith(std::string_view text, std::string_view end) { return text.ends_with(end); }
// The file layer's calls of kind `call` whose path `matches` fail with `error`.
fs::CallHook Fail(
    fs::Call call, std::errc error,
    std::function<bool(std::string_view)> matches = [](std::string_view) { return true; }) {
    return [=](fs::Call made, std::string_view path) {
        return made == call && matches(path) ? std::make_error_code(error) : std::error_code();
    };
}

// An input file of these bytes.
auto Input(std::string bytes) {
    return [bytes](const TempDir&, std::string& input, std::string&, Faults&) {
        WriteFile(input, bytes);
    };
}

const char* const kNotPossible = "Bewerking is niet mogelijk.";
const char* const kAborted = "Bewerking is afgebroken.";
constexpr auto Refusal = MessageKind::Refusal;
constexpr auto Failure = MessageKind::Failure;
constexpr auto kBusy = std::errc::device_or_resource_busy;  // a file held by another program

const std::vector<std::string> kNoGsi = {"Invoerbestand is geen GSI bestand:", "<in>",
                                         kNotPossible};

const FaultCase kFaults[] = {
    FaultCase{"CsvIsNoGsi",
              [](const TempDir& dir, std::string& input, std::string& output, Faults& faults) {
                  WithOutputAndBackup(dir, input, output, faults);
                  WriteFile(input, "Punt,X,Y,Z\r\n1,100.000,200.000,3.0\r\n");
              },
              Refusal, kNoGsi},
    FaultCase{"PngIsNoGsiInPlace",
              [](const TempDir& dir, std::string& input, std::string& output, Faults& faults) {
                  InPlace(dir, input, output, faults);
                  WriteFile(input, "\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x01"s);
              },
              Refusal, kNoGsi},
    FaultCase{"NulByteInGsiIsNoGsi",
              Input(kWord8 + "\r\n110002+0000\0"
                             "001 \r\n"s),
              Refusal, kNoGsi},
    FaultCase{"FragmentAndEmptyLineIsNoGsi", Input("11\r\n\r\n"), Refusal, kNoGsi},
    FaultCase{"OutputFolderMissing",
              [](const TempDir& dir, std::string&, std::string& output, Faults&) {
                  output = dir / "geen/out.gsi";
              },
              Failure,
              {"Uitvoerbestand kan niet worden aangemaakt:", "<out>",
               "De map of het bestand bestaat niet.", kAborted}},
    FaultCase{"OutputIsFolder",
              [](const TempDir&, std::string&, std::string& output, Faults&) {
                  std::filesystem::create_directory(output);
              },
              Refusal,
              {"Uitvoerbestand is geen gewoon bestand:", "<out>", "Op die plaats staat een map.",
               kNotPossible}},
#ifndef _WIN32
    FaultCase{"FifoAtOutput",
              [](const TempDir&, std::string&, std::string& output, Faults&) {
                  ASSERT_EQ(mkfifo(output.c_str(), 0600), 0);
              },
              Refusal,
              {"Uitvoerbestand is geen gewoon bestand:", "<out>",
               "Op die plaats staat een pipe (FIFO).", kNotPossible}},
    FaultCase{"DanglingLinkAtOutput",
              [](const TempDir& dir, std::string&, std::string& output, Faults&) {
                  std::filesystem::create_symlink(dir / "weg.gsi", output);
              },
              Refusal,
              {"Uitvoerbestand is geen gewoon bestand:", "<out>",
               "Op die plaats staat een verwijzing die nergens heen leidt.", kNotPossible}},
    FaultCase{"BackupIsALinkToTheOutput",
              [](const TempDir&, std::string&, std::string& output, Faults&) {
                  WriteFile(output, "OUT");
                  std::filesystem::create_symlink(output, output + ".bak");
              },
              Refusal,
              {"Uitvoerbestand en backupbestand zijn hetzelfde bestand:", "<out>", kNotPossible}},
#endif
    FaultCase{"FolderAtBackupPathInPlace",
              [](const TempDir& dir, std::string& input, std::string& output, Faults& faults) {
                  InPlace(dir, input, output, faults);
                  std::filesystem::create_directory(output + ".bak");
                  WriteFile(output + ".bak/x", "x");
              },
              Refusal,
              {"Backup kan niet worden gemaakt van:", "<out>",
               "Op de plaats van de backup staat een map.", kNotPossible}},
    FaultCase{"NulInOutputPath",
              [](const TempDir&, std::string&, std::string& output, Faults&) {
                  WriteFile(output, "OUT");
                  output += std::string(1, '\0') + ".gsi";
              },
              Refusal,
              {"Ongeldig teken (NUL) in de naam:", "<dir>out.gsi\xE2\x90\x80.gsi", kNotPossible}},
    FaultCase{"EmptyOutputPath",
              [](const TempDir&, std::string&, std::string& output, Faults&) { output.clear(); },
              Refusal,
              {"Naam van het uitvoerbestand ontbreekt.", kNotPossible}},
    FaultCase{"ReadOnlyOutput",
              [](const TempDir&, std::string&, std::string& output, Faults&) {
                  WriteFile(output, "OUT");
                  MakeReadOnly(output);
              },
              Refusal,
              {"Uitvoerbestand is alleen-lezen:", "<out>", kNotPossible}},
    FaultCase{"ReadOnlyBackupInPlace",
              [](const TempDir& dir, std::string& input, std::string& output, Faults& faults) {
                  InPlace(dir, input, output, faults);
                  WriteFile(output + ".bak", "OLD");
                  MakeReadOnly(output + ".bak");
              },
              Refusal,
              {"Backupbestand is alleen-lezen:", "<out>.bak", kNotPossible}},
    FaultCase{"BackupNameTooLong",
              [](const TempDir& dir, std::string&, std::string& output, Faults&) {
                  output = dir / (std::string(251, 'm') + ".gsi");
                  WriteFile(output, "OUT");
              },
              Refusal,
              {"De naam van het backupbestand wordt te lang:", "<out>", kNotPossible}},
    FaultCase{
        "FullDiskInPlace",
        [](const TempDir& dir, std::string& input, std::string& output, Faults& faults) {
            InPlace(dir, input, output, faults);
            WriteFile(input, "110001+1\r\n");  // a file that changes is written
            faults.hook = Fail(fs::Call::Write, std::errc::no_space_on_device);
        },
        Failure,
        {"Uitvoerbestand kan niet worden geschreven:", "<out>", "De schijf is vol.", kAborted}},
    FaultCase{"LineOverLimitInPlace",
              [](const TempDir& dir, std::string& input, std::string& output, Faults& faults) {
                  InPlace(dir, input, output, faults);
                  AddLongLine(input);
              },
              Failure,
              {"Regel 3 is te lang in:", "<in>", kAborted}},
    FaultCase{"CompletedLineOverLimit",
              [](const TempDir&, std::string& input, std::string& output, Faults&) {
                  std::string line;  // on the grid, its last word one blank short
                  for (int i = 0; i < 2048; ++i) line += kWord8;
                  line.resize(32767);
                  WriteFile(input, line);
                  WriteFile(output, "OUT");
              },
              Failure,
              {"Regel 1 is te lang in:", "<in>", kAborted}},
    FaultCase{"LineCountOverflowInPlace",
              [](const TempDir& dir, std::string& input, std::string& output, Faults& faults) {
                  InPlace(dir, input, output, faults);
                  faults.maxLineCount = 1;
              },
              Failure,
              {"Te veel meetregels (meer dan 2147483647) bij regel 2 in:", "<in>", kAborted}},
    FaultCase{
        "BackupCannotBeMade",
        [](const TempDir& dir, std::string& input, std::string& output, Faults& faults) {
            WithOutputAndBackup(dir, input, output, faults);
            faults.hook = Fail(fs::Call::Link, kBusy);
        },
        Failure,
        {"Backup kan niet worden gemaakt van:", "<out>", "Het bestand is in gebruik.", kAborted}},
    FaultCase{"BackupCopyOnAFullDiskWithoutLinks",
              [](const TempDir& dir, std::string& input, std::string& output, Faults& faults) {
                  WithOutputAndBackup(dir, input, output, faults);
                  // The new output's one write goes through; the copy's does not.
                  auto writes = std::make_shared<std::atomic<int>>(0);
                  faults.hook = [writes](fs::Call call, std::string_view) {
                      if (call == fs::Call::Link)
                          return std::make_error_code(std::errc::operation_not_supported);
                      if (call == fs::Call::Write && ++*writes > 1)
                          return std::make_error_code(std::errc::no_space_on_device);
                      return std::error_code();
                  };
              },
              Failure,
              {"Backup kan niet worden gemaakt van:", "<out>", "De schijf is vol.", kAborted}},
    FaultCase{"OlderBackupCannotBeReplaced",
              [](const TempDir& dir, std::string& input, std::string& output, Faults& faults) {
                  WithOutputAndBackup(dir, input, output, faults);
                  faults.hook = Fail(fs::Call::Replace, kBusy,
                                     [](std::string_view to) { return EndsWith(to, ".bak"); });
              },
              Failure,
              {"Oud backupbestand kan niet worden vervangen:", "<out>.bak",
               "Het bestand is in gebruik.", kAborted}},
    FaultCase{"NewOutputCannotBePutInPlace",
              [](const TempDir& dir, std::string& input, std::string& output, Faults& faults) {
                  WithOutputAndBackup(dir, input, output, faults);
                  faults.hook = Fail(fs::Call::Replace, kBusy,
                                     [](std::string_view to) { return EndsWith(to, "out.gsi"); });
              },
              Failure,
              {"Uitvoerbestand kan niet worden vervangen:", "<out>", "Het bestand is in gebruik.",
               kKeptAsBackup, "<out>.bak", kAborted}},
};

INSTANTIATE_TEST_SUITE_P(Faults, RunFaultTest, testing::ValuesIn(kFaults), test::RowName());

// The system errors seen in real runs each read as a Dutch sentence, not as a number.
TEST(DutchReasonTest, ErrorsSeenInRunsHaveASentence) {
    for (const std::errc seen :
         {std::errc::too_many_symbolic_link_levels,
          std::errc::no_such_device_or_address,       // a socket opened
          std::errc::resource_unavailable_try_again,  // no thread
          std::errc::device_or_resource_busy, std::errc::no_space_on_device}) {
        const std::string reason = DutchReason(std::make_error_code(seen));
        EXPECT_FALSE(reason.starts_with("Systeemfout")) << static_cast<int>(seen);
    }
#ifdef _WIN32
    EXPECT_EQ(DutchReason({32, std::system_category()}), "Het bestand is in gebruik.");
#endif
}

}  // namespace
}  // namespace tessavo
