// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of RunCommandLine, called in-process over a fake system; on POSIX also tessavo-cli
// run as a process, for Ctrl+C and the progress on a terminal.
#include "CommandLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>

#include "TestSupport.h"
#include "modFileHandling.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <regex>
#include <thread>
#endif

namespace tessavo::test {
namespace {

namespace fs = std::filesystem;

using test::PrintTo;

// The system as a row sets it up: Ctrl+C as pressed whenever `interrupt` says so, wildcard
// patterns with their files, and standard input and output as files in the folder `streams`.
class FakeSystem final : public cli::CommandLineServices {
  public:
    std::function<bool()> interrupt;
    std::map<std::string, std::vector<std::string>> wildcards;
    std::string standardInput;
    fs::path streams;

    bool InterruptRequested() override { return interrupt && interrupt(); }
    bool IsTerminal(cli::StandardStream) override { return false; }
    std::vector<std::string> ExpandWildcards(const std::string& pattern) override {
        const auto found = wildcards.find(pattern);
        return found == wildcards.end() ? std::vector<std::string>{} : found->second;
    }
    tessavo::fs::File StandardFile(cli::StandardStream stream, std::error_code& ec) override {
        if (stream == cli::StandardStream::Output)
            return tessavo::fs::File::CreateNew(FromFsPath(streams / "out"), ec);
        WriteFile(FromFsPath(streams / "in"), standardInput);
        return tessavo::fs::File::OpenForReading(FromFsPath(streams / "in"), ec);
    }
};

struct Outcome {
    int exitCode = -1;
    std::string out, err;
    std::string piped = {};  // what went to standard output as a file of the engine's
};

// Runs the command line in `folder`, as a program started there would.
Outcome RunIn(const fs::path& folder, const std::vector<std::string>& arguments,
              FakeSystem system = {}) {
    const TempDir streams;
    system.streams = streams.Path();
    const fs::path before = fs::current_path();
    fs::current_path(folder);
    std::ostringstream out, err;
    Outcome outcome;
    outcome.exitCode = cli::RunCommandLine(arguments, out, err, system);
    fs::current_path(before);
    outcome.out = out.str();
    outcome.err = err.str();
    if (Exists(streams / "out")) outcome.piped = ReadFile(streams / "out");
    return outcome;
}

// Every line of `text` with `prefix` in front.
std::string Prefixed(const std::string& prefix, const std::string& text) {
    std::string result;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) result += prefix + line + "\n";
    return result;
}

// The files a run adds or changes: a name, its content, the next name, its content...
Snapshot Files(const std::vector<std::string>& list) {
    Snapshot files;
    for (std::size_t i = 0; i + 1 < list.size(); i += 2) files[list[i]] = list[i + 1];
    return files;
}

// A missing last separator blank and a bare LF: what every cleaning mends.
const std::string kMessy = "110001+00000123 21.324+09000000\n110002+00000456 \r\n";
const std::string kClean8 = "110001+00000123 21.324+09000000 \r\n110002+00000456 \r\n";
const std::string kClean16 =
    "*110001+0000000000000123 21.324+0000000009000000 \r\n*110002+0000000000000456 \r\n";
const std::string kCut = "*81..00+0000000286150753 \r\n";  // too long for GSI-8
const std::string kLong(40000, '1');                       // one line too long to read
const std::string kDone = "Opgeschoond GSI bestand is gereed\nAantal meetregels:  2\n";
const std::string kFolder = "<folder>";

// a.gsi, or a.gsi and b.gsi, cleaned in place, as the report tells it and as the folder
// holds it.
const std::string kADone = Prefixed("a.gsi: ", kDone);
const std::string kBothDone = kADone + Prefixed("b.gsi: ", kDone);
const Snapshot kACleaned = {{"a.gsi", kClean8}, {"a.gsi.bak", kMessy}};
const Snapshot kBothCleaned = {
    {"a.gsi", kClean8}, {"a.gsi.bak", kMessy}, {"b.gsi", kClean8}, {"b.gsi.bak", kMessy}};

// The folder every run starts in; a row names the files its run adds or changes. h.gsi is
// a second name (a hard link) of a.gsi.
const Snapshot kStart = {{"a.gsi", kMessy},  {"b.gsi", kMessy},   {"cut.gsi", kCut},
                         {"h.gsi", kMessy},  {"long.gsi", kLong}, {"out", kFolder},
                         {"out.gsi", "old"}, {"sub", kFolder},    {"sub/a.gsi", kMessy}};

void MakeStart(const TempDir& dir) {
    for (const auto& [name, bytes] : kStart) {
        if (bytes == kFolder) {
            fs::create_directory(ToFsPath(dir / name));
        } else if (name != "h.gsi") {
            WriteFile(dir / name, bytes);
        }
    }
    fs::create_hard_link(ToFsPath(dir / "a.gsi"), ToFsPath(dir / "h.gsi"));
}

// Ctrl+C once the first file's run has put its backup in place: the run has finished by
// then. (A Ctrl+C in the middle of a run is sent to the program as a process, below.)
bool AfterFirstSwap() { return Exists("a.gsi.bak"); }

struct CliCase {
    const char* name;
    std::vector<std::string> arguments;
    int exitCode;
    std::string out, err;
    Snapshot changed = {};
    std::function<bool()> interrupt = {};
    std::string standardInput = {};
    std::string piped = {};
};

class CliTest : public testing::TestWithParam<CliCase> {};

TEST_P(CliTest, ExitStatusOutputAndFiles) {
    const CliCase& c = GetParam();
    TempDir dir;
    MakeStart(dir);
    FakeSystem system;
    system.interrupt = c.interrupt;
    system.wildcards["*.gsi"] = {"a.gsi", "b.gsi"};
    system.standardInput = c.standardInput;

    const Outcome outcome = RunIn(dir.Path(), c.arguments, system);

    EXPECT_EQ(outcome.exitCode, c.exitCode);
    EXPECT_EQ(outcome.out, c.out);
    EXPECT_EQ(outcome.err, c.err);
    EXPECT_EQ(outcome.piped, c.piped);
    Snapshot after = kStart;
    for (const auto& [name, bytes] : c.changed) after[name] = bytes;
    EXPECT_EQ(TakeSnapshot(dir.Path()), after);
}

const std::string kSameName = "Twee invoerbestanden hebben dezelfde naam:\n";
const std::string kNotPossible = "Bewerking is niet mogelijk.\n";

std::vector<CliCase> CliCases() {
    std::vector<CliCase> cases = {
        {"KeepsTheInputsFormat",
         {"a.gsi", "out.gsi"},
         0,
         kDone,
         "",
         Files({"out.gsi", kClean8, "out.gsi.bak", "old"})},
        {"ConvertsToGsi16",
         {"--gsi16", "a.gsi", "new.gsi"},
         0,
         kDone,
         "",
         Files({"new.gsi", kClean16})},
        {"CutValueGivesThree",
         {"--gsi8", "cut.gsi", "new.gsi"},
         3,
         "Opgeschoond GSI bestand is gereed\nAantal meetregels:  1\nIngekorte waarden (te lang "
         "voor het uitvoerformaat): 1, eerste in regel 1\n",
         "",
         Files({"new.gsi", "81..00+86150753 \r\n"})},
        // A refusal and a failure in the middle of a batch: the other files are done. A
        // message line that only names the file is left to the prefix.
        {"BatchGoesOnAfterBadFiles",
         {"--in-place", "a.gsi", "none.gsi", "long.gsi", "b.gsi"},
         1,
         kBothDone,
         Prefixed("none.gsi: ", "Invoerbestand niet gevonden !\n" + kNotPossible) +
             Prefixed("long.gsi: ", "Regel 1 is te lang in:\nBewerking is afgebroken.\n"),
         kBothCleaned},
        // A second run would replace the backup of the original with the cleaned file.
        {"FileNamedTwiceIsCleanedOnce", {"--in-place", "a.gsi", "h.gsi"}, 0, kADone, "", kACleaned},
        {"WildcardsTheSystemExpands",
         {"--in-place", "*.gsi", "x*.gsi"},
         1,
         kBothDone,
         Prefixed("x*.gsi: ", "Invoerbestand niet gevonden !\n" + kNotPossible),
         kBothCleaned},
        {"OutputDirTakesEachName",
         {"--gsi16", "--output-dir", "out", "a.gsi", "cut.gsi"},
         0,
         kADone +
             Prefixed("cut.gsi: ", "Opgeschoond GSI bestand is gereed\nAantal meetregels:  1\n"),
         "",
         Files({"out/a.gsi", kClean16, "out/cut.gsi", kCut})},
        {"OutputDirOfTheFileIsInPlace", {"--output-dir=.", "a.gsi"}, 0, kADone, "", kACleaned},
        // A check writes nothing and lists every change, each line with its file.
        {"CheckListsAndWritesNothing",
         {"--check", "--gsi8", "cut.gsi", "a.gsi"},
         3,
         Prefixed("cut.gsi: ",
                  "regel 1, woord 81: +0000000286150753 wordt +86150753\nAantal meetregels:  1\n"
                  "Ingekorte waarden (te lang voor het uitvoerformaat): 1, eerste in regel 1\n") +
             Prefixed("a.gsi: ", "Aantal meetregels:  2\n"),
         ""},
        // Standard output carries the cleaned lines, standard error the report.
        {"PipeInAndOut", {"--gsi16", "-", "-"}, 0, "", kDone, {}, {}, kMessy, kClean16},
        {"StandardInputIntoAFile",
         {"-", "out.gsi"},
         0,
         kDone,
         "",
         Files({"out.gsi", kClean8, "out.gsi.bak", "old"}),
         {},
         kMessy},
        {"OutputDirMustExist",
         {"--output-dir", "none", "a.gsi"},
         1,
         "",
         "Uitvoermap niet gevonden:\nnone\n" + kNotPossible},
        {"OneNameForTwoFilesIsRefused",
         {"--output-dir", "out", "a.gsi", "sub/a.gsi"},
         1,
         "",
         kSameName + "a.gsi\nsub/a.gsi\n" + kNotPossible},
        // The run had begun its last step, which it finishes: the file is cleaned.
        {"CtrlCAtTheEndOfTheLastFile",
         {"--in-place", "a.gsi"},
         0,
         kADone,
         "",
         kACleaned,
         AfterFirstSwap},
    };
    if (kWindows) {
        cases.push_back(
            {"PathAsExplorerCopiesIt", {"--in-place", "\"a.gsi\" "}, 0, kADone, "", kACleaned});
        cases.push_back({"NamesInAnotherCaseAreOneFile",
                         {"--output-dir", "out", "a.gsi", "SUB\\A.GSI"},
                         1,
                         "",
                         kSameName + "a.gsi\nSUB\\A.GSI\n" + kNotPossible});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, CliTest, testing::ValuesIn(CliCases()), RowName());

// The help, the version and wrong usage: the status and the first line of each stream.
struct UsageCase {
    const char* name;
    std::vector<std::string> arguments;
    int exitCode;
    std::string out, err;
};

class UsageTest : public testing::TestWithParam<UsageCase> {};

TEST_P(UsageTest, StatusAndFirstLines) {
    const UsageCase& c = GetParam();
    TempDir dir;
    const Outcome outcome = RunIn(dir.Path(), c.arguments);
    EXPECT_EQ(outcome.exitCode, c.exitCode);
    EXPECT_EQ(outcome.out.substr(0, outcome.out.find('\n')), c.out);
    EXPECT_EQ(outcome.err.substr(0, outcome.err.find('\n')), c.err);
    EXPECT_TRUE(TakeSnapshot(dir.Path()).empty());
}

const std::string kUsage = "Gebruik: tessavo-cli [--gsi8 | --gsi16] INVOER UITVOER";

std::vector<UsageCase> UsageCases() {
    std::vector<UsageCase> cases = {
        {"Version", {"--version"}, 0, "tessavo-cli 1.0.4", ""},
        {"Help", {"-h"}, 0, kUsage, ""},
        {"WrongNumberOfFiles", {"a.gsi"}, 2, "", "tessavo-cli: verwacht INVOER en UITVOER"},
        {"BothFormats",
         {"--gsi8", "--gsi16", "a", "b"},
         2,
         "",
         "tessavo-cli: --gsi8 en --gsi16 sluiten elkaar uit"},
        {"UnknownOption", {"--gsi6", "a", "b"}, 2, "", "tessavo-cli: onbekende optie: --gsi6"},
        {"EmptyOutputPath", {"a.gsi", ""}, 2, "", "tessavo-cli: lege bestandsnaam"},
        {"InPlaceOrOutputDir",
         {"--in-place", "--output-dir", ".", "a"},
         2,
         "",
         "tessavo-cli: --in-place en --output-dir sluiten elkaar uit"},
        {"StreamInPlace", {"--in-place", "-"}, 2, "", "tessavo-cli: - kan niet met --in-place"},
        {"OutputDirWithoutFolder",
         {"a", "--output-dir"},
         2,
         "",
         "tessavo-cli: --output-dir verwacht een map"},
    };
    if (kWindows) cases.push_back({"WindowsHelp", {"/?"}, 0, kUsage, ""});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, UsageTest, testing::ValuesIn(UsageCases()), RowName());

#ifndef _WIN32

// tessavo-cli as a process, for what only a process has: a signal and a terminal. It runs
// in `folder` with `arguments`, its standard output into a file, its standard error on a
// pipe or on a terminal; `meanwhile` is called with its process id while it runs.
Outcome RunProcess(const std::vector<std::string>& arguments, const fs::path& folder, bool terminal,
                   const std::function<void(pid_t)>& meanwhile) {
    TempDir streams;
    const int out = open((streams / "out").c_str(), O_WRONLY | O_CREAT, 0600);
    int err[2];
    if (terminal) {
        err[0] = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_TRUE(grantpt(err[0]) == 0 && unlockpt(err[0]) == 0);
        err[1] = open(ptsname(err[0]), O_RDWR | O_NOCTTY);
    } else {
        EXPECT_EQ(pipe(err), 0);
    }
    std::vector<std::string> strings{TESSAVO_CLI};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : strings) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) == 0 && dup2(open("/dev/null", O_RDONLY), 0) == 0 &&
            dup2(out, 1) == 1 && dup2(err[1], 2) == 2)
            execv(argv[0], argv.data());
        _exit(127);
    }
    close(out);
    close(err[1]);
    meanwhile(pid);

    // Standard error to its end (EIO from a terminal whose other side is closed).
    Outcome outcome;
    char buffer[4096];
    for (ssize_t got; (got = read(err[0], buffer, sizeof buffer)) > 0;)
        outcome.err.append(buffer, static_cast<std::size_t>(got));
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.out = ReadFile(streams / "out");
    return outcome;
}

// A batch whose first file is large. The program is paused as soon as it has opened that
// file, for longer than the second after which a terminal shows progress; a Ctrl+C sent
// while it is paused is handled as soon as it goes on.
struct LongRunCase {
    const char* name;
    bool terminal;
    bool interrupt;
};

class LongRunTest : public testing::TestWithParam<LongRunCase> {};

bool WaitForOpenFile(pid_t pid, const std::string& name) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end;
             !ec && it != end; it.increment(ec)) {
            if (fs::read_symlink(it->path(), ec).filename() == name) return true;
        }
        std::this_thread::yield();
    }
    return false;
}

TEST_P(LongRunTest, ProgressAndCtrlC) {
    const LongRunCase& c = GetParam();
    TempDir dir;
    std::string line = "110001+00000001 21.324+09000000 22.324+09000000 \r\n", big;
    while (big.size() < (std::size_t{96} << 20)) big += line;
    WriteFile(dir / "big.gsi", big);
    WriteFile(dir / "small.gsi", kMessy);
    const Snapshot before = TakeSnapshot(dir.Path());

    const Outcome outcome =
        RunProcess({"--in-place", "big.gsi", "small.gsi"}, dir.Path(), c.terminal, [&](pid_t pid) {
            ASSERT_TRUE(WaitForOpenFile(pid, "big.gsi"));
            kill(pid, SIGSTOP);
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, WUNTRACED), pid);
            std::this_thread::sleep_for(std::chrono::milliseconds(1200));
            if (c.interrupt) kill(pid, SIGINT);
            kill(pid, SIGCONT);
        });

    if (c.interrupt) {
        // The file in progress is as it was, nothing is left beside it, the rest skipped.
        EXPECT_EQ(outcome.exitCode, 130);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(
            outcome.err,
            "big.gsi: Onderbroken; het bestand is niet gewijzigd.\nOvergeslagen: 1 bestand.\n");
        EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);
    } else {
        // One line rewritten in place, blanked out before the report.
        EXPECT_EQ(outcome.exitCode, 0);
        const std::string count = std::to_string(big.size() / line.size());
        EXPECT_EQ(outcome.out, Prefixed("big.gsi: ",
                                        "Opgeschoond GSI bestand is gereed\n"
                                        "Aantal meetregels:  " +
                                            count +
                                            "\nEr is niets gewijzigd: het bestand was al "
                                            "opgeschoond.\n") +
                                   Prefixed("small.gsi: ", kDone));
        EXPECT_NE(outcome.err.find("\rbig.gsi: Bezig met opschonen: "), std::string::npos);
        EXPECT_TRUE(std::regex_search(outcome.err, std::regex("\r +\r$"))) << outcome.err;
        EXPECT_EQ(outcome.err.find('\n'), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LongRunTest,
                         testing::Values(LongRunCase{"ProgressOnATerminal", true, false},
                                         LongRunCase{"CtrlCPutsBackAndSkipsTheRest", false, true}),
                         RowName());

// Pipes as the shell makes them, for what only real pipes show: standard input from cat, and
// a reader that stops early, which fails the writes to standard output.
struct PipeCase {
    const char* name;
    std::string before, arguments, after;  // the pipeline around tessavo-cli
    int exitCode;
    std::string result, err;  // what the end of the pipeline wrote, and standard error
};

class PipeTest : public testing::TestWithParam<PipeCase> {};

TEST_P(PipeTest, StatusAndStreams) {
    const PipeCase& c = GetParam();
    TempDir dir;
    WriteFile(dir / "in.gsi", kMessy);
    std::string big;  // far more than a pipe holds; values that GSI-8 cuts
    while (big.size() < (std::size_t{8} << 20)) big += kCut;
    WriteFile(dir / "big.gsi", big);
    WriteFile(dir / "pipe.sh", "cd \"$(dirname \"$0\")\" && " + c.before + " { '" TESSAVO_CLI "' " +
                                   c.arguments + " 2>err; echo $? >status; } " + c.after + "\n");

    ASSERT_EQ(std::system(("bash '" + (dir / "pipe.sh") + "'").c_str()), 0);
    EXPECT_EQ(ReadFile(dir / "status"), std::to_string(c.exitCode) + "\n");
    EXPECT_EQ(ReadFile(dir / "result"), c.result);
    EXPECT_EQ(ReadFile(dir / "err"), c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PipeTest,
    testing::Values(PipeCase{"FromCat", "cat in.gsi |", "--gsi8 - -", ">result", 0, kClean8, kDone},
                    PipeCase{"ReaderStopsEarly", "", "--gsi8 - - <big.gsi", "| head -c 20 >result",
                             1, "81..00+86150753 \r\n81",
                             "Uitvoerbestand kan niet worden geschreven:\nstandaarduitvoer\n"
                             "De pipe is aan de andere kant gesloten.\n"
                             "Wat al naar standaarduitvoer is geschreven, is onvolledig.\n"
                             "Bewerking is afgebroken.\n"},
                    PipeCase{"CheckReaderStopsEarly", "", "--check --gsi8 big.gsi",
                             "| head -n 1 >result", 1,
                             "big.gsi: regel 1, woord 81: +0000000286150753 wordt +86150753\n",
                             "standaarduitvoer kan niet worden geschreven.\n"}),
    RowName());

#endif

}  // namespace
}  // namespace tessavo::test
