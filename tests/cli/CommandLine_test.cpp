// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of tessavo-cli, run as a process the way a script runs it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>

#include "TestSupport.h"

namespace tessavo::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

struct Outcome {
    int exitCode = -1;  // 128 + the signal when a signal ended the program
    std::string out, err;
};

// Runs tessavo-cli in `folder`, its standard error on a pipe or on a terminal; `meanwhile`
// is called with its process id while it runs.
Outcome RunCli(const Lines& arguments, const fs::path& folder, bool terminal = false,
               const std::function<void(pid_t)>& meanwhile = {}) {
    int out[2], err[2];
    EXPECT_EQ(pipe(out), 0);
    if (terminal) {
        err[0] = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_TRUE(grantpt(err[0]) == 0 && unlockpt(err[0]) == 0);
        err[1] = open(ptsname(err[0]), O_RDWR | O_NOCTTY);
    } else {
        EXPECT_EQ(pipe(err), 0);
    }
    std::vector<char*> argv{const_cast<char*>(TESSAVO_CLI)};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) == 0 && dup2(open("/dev/null", O_RDONLY), 0) == 0 &&
            dup2(out[1], 1) == 1 && dup2(err[1], 2) == 2)
            execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (meanwhile) meanwhile(pid);

    // Both streams to their end (EIO from a terminal whose other side is closed).
    Outcome outcome;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&outcome.out, &outcome.err};
    for (int open = 2; open > 0 && poll(fds, 2, 60'000) > 0;) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                texts[i]->append(buffer, static_cast<std::size_t>(got));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

Lines Prefixed(const std::string& prefix, const Lines& lines, const Lines& more = {}) {
    Lines result;
    for (const std::string& line : lines) result.push_back(prefix + line);
    result.insert(result.end(), more.begin(), more.end());
    return result;
}

// A missing last separator blank and a bare LF: what every cleaning mends.
const std::string kMessy = "110001+00000123 21.324+09000000\n110002+00000456 \r\n";
const std::string kClean8 = "110001+00000123 21.324+09000000 \r\n110002+00000456 \r\n";
const std::string kClean16 =
    "*110001+0000000000000123 21.324+0000000009000000 \r\n*110002+0000000000000456 \r\n";
const Lines kDone = {"Opgeschoond GSI bestand is gereed", "Aantal meetregels:  2"};
const Lines kMissing = {"Invoerbestand niet gevonden !", "Bewerking is niet mogelijk."};
const std::string kUsage = "Gebruik: tessavo-cli [--gsi8 | --gsi16] INVOER UITVOER";

struct CliCase {
    const char* name;
    friend void PrintTo(const CliCase& c, std::ostream* os) { *os << c.name; }
    Lines arguments;
    Snapshot before;
    int exitCode;
    Lines out, err;
    Snapshot after;
};

class CliTest : public testing::TestWithParam<CliCase> {};

TEST_P(CliTest, ExitStatusOutputAndFiles) {
    const CliCase& c = GetParam();
    TempDir dir;
    for (const auto& [name, bytes] : c.before) WriteFile(dir / name, bytes);

    const Outcome outcome = RunCli(c.arguments, dir.path());

    EXPECT_EQ(outcome.exitCode, c.exitCode);
    EXPECT_EQ(SplitLines(outcome.out), c.out);
    EXPECT_EQ(SplitLines(outcome.err), c.err);
    EXPECT_EQ(TakeSnapshot(dir.path()), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliTest,
    testing::Values(
        CliCase{"KeepsTheInputsFormat",
                {"in.gsi", "out.gsi"},
                {{"in.gsi", kMessy}, {"out.gsi", "old"}},
                0,
                kDone,
                {},
                {{"in.gsi", kMessy}, {"out.gsi", kClean8}, {"out.gsi.bak", "old"}}},
        CliCase{"ConvertsToGsi16",
                {"--gsi16", "in.gsi", "out.gsi"},
                {{"in.gsi", kMessy}},
                0,
                kDone,
                {},
                {{"in.gsi", kMessy}, {"out.gsi", kClean16}}},
        CliCase{"CutValueGivesThree",
                {"--gsi8", "in.gsi", "out.gsi"},
                {{"in.gsi", "*81..00+0000000286150753 \r\n"}},
                3,
                {"Opgeschoond GSI bestand is gereed", "Aantal meetregels:  1",
                 "Ingekorte waarden (te lang voor het uitvoerformaat): 1, eerste in regel 1"},
                {},
                {{"in.gsi", "*81..00+0000000286150753 \r\n"}, {"out.gsi", "81..00+86150753 \r\n"}}},
        CliCase{"FailureGoesToStandardError",
                {"long.gsi", "out.gsi"},
                {{"long.gsi", std::string(40000, '1')}},
                1,
                {},
                {"Regel 1 is te lang in:", "long.gsi", "Bewerking is afgebroken."},
                {{"long.gsi", std::string(40000, '1')}}},
        CliCase{
            "BatchGoesOnAfterAMissingFile",
            {"--in-place", "a.gsi", "none.gsi", "c.gsi"},
            {{"a.gsi", kMessy}, {"c.gsi", kMessy}},
            1,
            Prefixed("a.gsi: ", kDone, Prefixed("c.gsi: ", kDone)),
            Prefixed("none.gsi: ", kMissing),
            {{"a.gsi", kClean8}, {"a.gsi.bak", kMessy}, {"c.gsi", kClean8}, {"c.gsi.bak", kMessy}}},
        // A second run would replace the backup of the original with the cleaned file.
        CliCase{"FileNamedTwiceIsCleanedOnce",
                {"--in-place", "a.gsi", "./a.gsi"},
                {{"a.gsi", kMessy}},
                0,
                Prefixed("a.gsi: ", kDone),
                {},
                {{"a.gsi", kClean8}, {"a.gsi.bak", kMessy}}}),
    RowName());

// The help, the version and wrong usage: the status and the first line of each stream.
struct UsageCase {
    const char* name;
    friend void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }
    Lines arguments;
    int exitCode;
    std::string out, err;
};

class UsageTest : public testing::TestWithParam<UsageCase> {};

TEST_P(UsageTest, StatusAndFirstLines) {
    const UsageCase& c = GetParam();
    TempDir dir;
    const Outcome outcome = RunCli(c.arguments, dir.path());
    EXPECT_EQ(outcome.exitCode, c.exitCode);
    EXPECT_EQ(outcome.out.substr(0, outcome.out.find('\n')), c.out);
    EXPECT_EQ(outcome.err.substr(0, outcome.err.find('\n')), c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageTest,
    testing::Values(
        UsageCase{"Version", {"--version"}, 0, "tessavo-cli " TESSAVO_VERSION, ""},
        UsageCase{"Help", {"--help"}, 0, kUsage, ""},
        UsageCase{
            "WrongNumberOfFiles", {"a.gsi"}, 2, "", "tessavo-cli: verwacht INVOER en UITVOER"},
        UsageCase{"BothFormats",
                  {"--gsi8", "--gsi16", "a", "b"},
                  2,
                  "",
                  "tessavo-cli: --gsi8 en --gsi16 sluiten elkaar uit"},
        UsageCase{
            "UnknownOption", {"--gsi6", "a", "b"}, 2, "", "tessavo-cli: onbekende optie: --gsi6"}),
    RowName());

// A batch whose first file is large. The program is paused as soon as it has opened that
// file, for longer than the second after which a terminal shows progress; a Ctrl+C sent
// while it is paused is handled as soon as it goes on.
struct LongRunCase {
    const char* name;
    friend void PrintTo(const LongRunCase& c, std::ostream* os) { *os << c.name; }
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
    const Snapshot before = TakeSnapshot(dir.path());

    const Outcome outcome =
        RunCli({"--in-place", "big.gsi", "small.gsi"}, dir.path(), c.terminal, [&](pid_t pid) {
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
        EXPECT_TRUE(TakeSnapshot(dir.path()) == before);
    } else {
        EXPECT_EQ(outcome.exitCode, 0);
        const std::string count = std::to_string(big.size() / line.size());
        EXPECT_EQ(SplitLines(outcome.out),
                  Prefixed("big.gsi: ", {kDone[0], "Aantal meetregels:  " + count},
                           Prefixed("small.gsi: ", kDone)));
    }
    if (c.terminal) {
        // One line rewritten in place, blanked out before the report.
        EXPECT_NE(outcome.err.find("\rbig.gsi: Bezig met opschonen: "), std::string::npos);
        EXPECT_TRUE(std::regex_search(outcome.err, std::regex("\r +\r$"))) << outcome.err;
        EXPECT_EQ(outcome.err.find('\n'), std::string::npos);
    } else {
        EXPECT_EQ(outcome.err, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LongRunTest,
                         testing::Values(LongRunCase{"ProgressOnATerminal", true, false},
                                         LongRunCase{"NoProgressWithoutATerminal", false, false},
                                         LongRunCase{"CtrlCPutsBackAndSkipsTheRest", false, true}),
                         RowName());

}  // namespace
}  // namespace tessavo::test
