// Tests of tessavo-cli, run as a process the way a script runs it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class TempDir {
  public:
    TempDir() {
        std::random_device random;
        path_ = fs::temp_directory_path() /
                ("tessavo-cli-test-" + std::to_string(random()) + std::to_string(random()));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::optional<std::string> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Names each test of a table after its row's `name`.
struct RowName {
    template <class Row>
    std::string operator()(const testing::TestParamInfo<Row>& row) const {
        return row.param.name;
    }
};

Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// tessavo-cli started in a folder, its standard error on a pipe or on a terminal.
class Child {
  public:
    Child(const Lines& arguments, const fs::path& folder, bool stderrOnTerminal) {
        int out[2];
        int err[2];
        EXPECT_EQ(pipe(out), 0);
        if (stderrOnTerminal) {
            err[0] = posix_openpt(O_RDWR | O_NOCTTY);
            EXPECT_EQ(grantpt(err[0]), 0);
            EXPECT_EQ(unlockpt(err[0]), 0);
            err[1] = open(ptsname(err[0]), O_RDWR | O_NOCTTY);
        } else {
            EXPECT_EQ(pipe(err), 0);
        }
        std::vector<char*> argv{const_cast<char*>(TESSAVO_CLI)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            const int null = open("/dev/null", O_RDONLY);
            if (chdir(folder.c_str()) != 0 || dup2(null, 0) < 0 || dup2(out[1], 1) < 0 ||
                dup2(err[1], 2) < 0)
                _exit(127);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }

    pid_t pid() const { return pid_; }

    // Waits until the run has opened a file whose name holds `name`.
    bool WaitForOpenFile(const std::string& name) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        const fs::path fds = "/proc/" + std::to_string(pid_) + "/fd";
        while (std::chrono::steady_clock::now() < deadline) {
            std::error_code ec;
            for (fs::directory_iterator it(fds, ec), end; !ec && it != end; it.increment(ec)) {
                if (fs::read_symlink(it->path(), ec).string().find(name) != std::string::npos)
                    return true;
            }
            std::this_thread::yield();
        }
        return false;
    }

    void Signal(int signal) { ASSERT_EQ(kill(pid_, signal), 0); }

    // Stops the child and waits until it stands still.
    void Pause() {
        Signal(SIGSTOP);
        int status = 0;
        ASSERT_EQ(waitpid(pid_, &status, WUNTRACED), pid_);
        ASSERT_TRUE(WIFSTOPPED(status));
    }

    struct Result {
        int exitCode = -1;
        std::string out, err;
    };

    // Reads both streams to their end, then answers the exit status (128 + the signal
    // when a signal ended the child).
    Result Finish() {
        Result result;
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        std::string* texts[2] = {&result.out, &result.err};
        int open = 2;
        while (open > 0) {
            if (poll(fds, 2, 60'000) <= 0) break;
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0) continue;
                char buffer[4096];
                const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    texts[i]->append(buffer, static_cast<std::size_t>(got));
                } else {  // end of a pipe, or EIO from a terminal without its child
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return result;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

// A missing last separator blank and a bare LF: what every cleaning mends.
const std::string kMessy8 = "110001+00000123 21.324+09000000\n110002+00000456 \r\n";
const std::string kClean8 = "110001+00000123 21.324+09000000 \r\n110002+00000456 \r\n";
const std::string kClean16 =
    "*110001+0000000000000123 21.324+0000000009000000 \r\n*110002+0000000000000456 \r\n";
const Lines kDone2 = {"Opgeschoond GSI bestand is gereed", "Aantal meetregels:  2"};
const Lines kMissing = {"Invoerbestand niet gevonden !", "Bewerking is niet mogelijk."};

Lines Prefixed(const std::string& prefix, const Lines& lines) {
    Lines result;
    for (const std::string& line : lines) result.push_back(prefix + line);
    return result;
}

Lines Join(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct CliCase {
    const char* name;
    friend void PrintTo(const CliCase& c, std::ostream* os) { *os << c.name; }
    Lines arguments;
    std::map<std::string, std::string> files;  // in the folder before the run
    int exitCode;
    Lines out, err;
    bool onlyFirstLines;  // out and err are the first lines of their streams
    std::map<std::string, std::optional<std::string>> after;  // nullopt: absent
};

class CliTest : public testing::TestWithParam<CliCase> {};

TEST_P(CliTest, ExitStatusOutputAndFiles) {
    const CliCase& c = GetParam();
    TempDir dir;
    for (const auto& [name, bytes] : c.files) WriteFile(dir.path() / name, bytes);

    Child child(c.arguments, dir.path(), false);
    const Child::Result result = child.Finish();

    EXPECT_EQ(result.exitCode, c.exitCode);
    Lines out = SplitLines(result.out);
    Lines err = SplitLines(result.err);
    if (c.onlyFirstLines) {
        out.resize(std::min(out.size(), c.out.size()));
        err.resize(std::min(err.size(), c.err.size()));
    }
    EXPECT_EQ(out, c.out);
    EXPECT_EQ(err, c.err);
    for (const auto& [name, bytes] : c.after) EXPECT_EQ(ReadFile(dir.path() / name), bytes) << name;
}

const std::string kUsageLine = "Gebruik: tessavo-cli [--gsi8 | --gsi16] INVOER UITVOER";

INSTANTIATE_TEST_SUITE_P(
    Cases, CliTest,
    testing::Values(
        CliCase{"KeepsTheInputsFormat",
                {"in.gsi", "out.gsi"},
                {{"in.gsi", kMessy8}, {"out.gsi", "old"}},
                0,
                kDone2,
                {},
                false,
                {{"out.gsi", kClean8}, {"out.gsi.bak", "old"}, {"in.gsi", kMessy8}}},
        CliCase{"ConvertsToGsi16",
                {"--gsi16", "in.gsi", "out.gsi"},
                {{"in.gsi", kMessy8}},
                0,
                kDone2,
                {},
                false,
                {{"out.gsi", kClean16}}},
        CliCase{"MissingInputIsARefusal",
                {"none.gsi", "out.gsi"},
                {},
                1,
                {},
                kMissing,
                false,
                {{"out.gsi", std::nullopt}}},
        CliCase{"FailureGoesToStandardError",
                {"long.gsi", "out.gsi"},
                {{"long.gsi", std::string(40000, '1') + "\r\n"}},
                1,
                {},
                {"Regel 1 is te lang in:", "long.gsi", "Bewerking is afgebroken."},
                false,
                {{"out.gsi", std::nullopt}}},
        CliCase{"CutValueGivesThree",
                {"--gsi8", "in.gsi", "out.gsi"},
                {{"in.gsi", "*81..00+0000000286150753 \r\n"}},
                3,
                {"Opgeschoond GSI bestand is gereed", "Aantal meetregels:  1",
                 "Ingekorte waarden (te lang voor het uitvoerformaat): 1, eerste in regel 1"},
                {},
                false,
                {{"out.gsi", "81..00+86150753 \r\n"}}},
        CliCase{"BatchGoesOnAfterABadFile",
                {"--in-place", "a.gsi", "none.gsi", "c.gsi"},
                {{"a.gsi", kMessy8}, {"c.gsi", kMessy8}},
                1,
                Join(Prefixed("a.gsi: ", kDone2), Prefixed("c.gsi: ", kDone2)),
                Prefixed("none.gsi: ", kMissing),
                false,
                {{"a.gsi", kClean8},
                 {"a.gsi.bak", kMessy8},
                 {"c.gsi", kClean8},
                 {"c.gsi.bak", kMessy8}}},
        // A second run would replace the backup of the original with the cleaned file.
        CliCase{"FileNamedTwiceIsCleanedOnce",
                {"--in-place", "a.gsi", "./a.gsi"},
                {{"a.gsi", kMessy8}},
                0,
                Prefixed("a.gsi: ", kDone2),
                {},
                false,
                {{"a.gsi", kClean8}, {"a.gsi.bak", kMessy8}}},
        CliCase{"Version", {"--version"}, {}, 0, {"tessavo-cli " TESSAVO_VERSION}, {}, false, {}},
        CliCase{"Help", {"--help"}, {}, 0, {kUsageLine}, {}, true, {}},
        CliCase{"NoFiles",
                {},
                {},
                2,
                {},
                {"tessavo-cli: verwacht INVOER en UITVOER", kUsageLine},
                true,
                {}},
        CliCase{"InPlaceWithoutFiles",
                {"--in-place"},
                {},
                2,
                {},
                {"tessavo-cli: --in-place verwacht een of meer bestanden"},
                true,
                {}},
        CliCase{"BothFormats",
                {"--gsi8", "--gsi16", "a.gsi", "b.gsi"},
                {{"a.gsi", kMessy8}},
                2,
                {},
                {"tessavo-cli: --gsi8 en --gsi16 sluiten elkaar uit"},
                true,
                {{"b.gsi", std::nullopt}}},
        CliCase{"UnknownOption",
                {"--gsi6", "a.gsi", "b.gsi"},
                {},
                2,
                {},
                {"tessavo-cli: onbekende optie: --gsi6"},
                true,
                {}}),
    RowName());

// A run long enough to be caught in the middle: the child is paused as soon as it has
// opened its input, for longer than the second after which a terminal shows progress.
struct LongRunCase {
    const char* name;
    friend void PrintTo(const LongRunCase& c, std::ostream* os) { *os << c.name; }
    bool stderrOnTerminal;
    bool interrupt;
};

class LongRunTest : public testing::TestWithParam<LongRunCase> {};

const std::string kBlock = [] {
    std::string block;
    while (block.size() < (1u << 20))
        block += "110001+00000001 21.324+09000000 22.324+09000000 \r\n";
    return block;
}();
constexpr int kBlocks = 96;

bool HoldsBigFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string block(kBlock.size(), '\0');
    for (int i = 0; i < kBlocks; ++i) {
        if (!in.read(block.data(), static_cast<std::streamsize>(block.size())) || block != kBlock)
            return false;
    }
    return in.peek() == std::ifstream::traits_type::eof();
}

TEST_P(LongRunTest, ProgressAndCtrlC) {
    const LongRunCase& c = GetParam();
    TempDir dir;
    {
        std::ofstream big(dir.path() / "big.gsi", std::ios::binary);
        for (int i = 0; i < kBlocks; ++i) big << kBlock;
    }
    WriteFile(dir.path() / "small.gsi", kMessy8);

    Child child({"--in-place", "big.gsi", "small.gsi"}, dir.path(), c.stderrOnTerminal);
    ASSERT_TRUE(child.WaitForOpenFile("big.gsi"));
    child.Pause();
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    // A Ctrl+C that arrives while the child is paused is handled as soon as it goes on.
    if (c.interrupt) child.Signal(SIGINT);
    child.Signal(SIGCONT);
    const Child::Result result = child.Finish();

    if (c.interrupt) {
        EXPECT_EQ(result.exitCode, 130);
        EXPECT_EQ(result.out, "");
        // The stopped file is as it was, and the rest of the batch was not touched.
        EXPECT_TRUE(HoldsBigFile(dir.path() / "big.gsi"));
        EXPECT_EQ(ReadFile(dir.path() / "small.gsi"), kMessy8);
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (Lines{"big.gsi", "small.gsi"}));
    } else {
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(SplitLines(result.out),
                  Join(Prefixed("big.gsi: ",
                                {"Opgeschoond GSI bestand is gereed",
                                 "Aantal meetregels:  " +
                                     std::to_string(kBlocks * std::count(kBlock.begin(),
                                                                         kBlock.end(), '\n'))}),
                       Prefixed("small.gsi: ", kDone2)));
    }
    if (c.stderrOnTerminal) {
        // Progress lines rewritten in place, then blanked out before the report.
        EXPECT_NE(result.err.find("\rbig.gsi: Bezig met opschonen: "), std::string::npos);
        const std::size_t blank = result.err.find_last_not_of(' ', result.err.size() - 2);
        EXPECT_EQ(result.err.back(), '\r');
        EXPECT_EQ(result.err[blank], '\r');
        EXPECT_EQ(result.err.find('\n'), std::string::npos);
    } else {
        EXPECT_EQ(result.err, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LongRunTest,
                         testing::Values(LongRunCase{"ProgressOnATerminal", true, false},
                                         LongRunCase{"NoProgressWithoutATerminal", false, false},
                                         LongRunCase{"CtrlCPutsBackAndSkipsTheRest", false, true}),
                         RowName());

}  // namespace
