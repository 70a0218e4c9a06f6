// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmark of the cleaning run against a plain copy of the same file.
//
// Times CleaningRun over two large generated GSI files, to GSI-16 and to GSI-8, next to a
// plain block copy of the same file in the same run, and prints the ratio to the copy. The
// first file holds lines on the fixed word grid, as instruments write them; the second
// irregular lines (short fields, double blanks, long words) that the run reads word by word.
// Usage: bench_cleaning [size of each file in MB, default 200] [folder, default the temp folder]
//                       [keep]
// With "keep" the irregular input stays as <folder>/tessavo-bench/input.gsi, to time other
// front ends (tessavo-cli, the window) on the same file.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "CleaningRun.h"

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

using tessavo::OutputFormat;

class NoOpServices : public tessavo::RunServices {
  public:
    explicit NoOpServices(OutputFormat format) : format_(format) {}
    OutputFormat CurrentOutputFormat() override { return format_; }
    tessavo::MessageAnswer ShowMessage(const tessavo::Message& message) override {
        last = message;
        return tessavo::MessageAnswer::Ok;
    }
    bool ProcessEvents(const tessavo::Progress&) override { return true; }
    void MakeProcessDefault() override {}
    tessavo::Message last;

  private:
    OutputFormat format_;
};

// A small deterministic generator, so that every run measures the same files.
class Random {
  public:
    unsigned Next(unsigned bound) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state_ >> 33) % bound;
    }

  private:
    unsigned long long state_ = 42;
};

const char* const kIndex[] = {"11", "21", "22", "31", "51", "81", "82", "83", "87"};

std::string Padded(const std::string& value, std::size_t width) {
    const std::string zeros(width > value.size() ? width - value.size() : 0, '0');
    return (zeros + value).substr(zeros.size() + value.size() - width);
}

// Whole words of 16 (GSI-8) or 24 (GSI-16) characters, the last one now and then without
// its separator blank; point ids with letters, negative values, word 51 with two values.
void GridLine(Random& random, long point, std::string& line) {
    const bool gsi16 = random.Next(2) == 0;
    const std::size_t width = gsi16 ? 16 : 8;
    const unsigned words = 4 + random.Next(8);
    if (gsi16) line += '*';
    for (unsigned w = 0; w < words; ++w) {
        const char* index = w == 0 ? "11" : kIndex[1 + random.Next(8)];
        line += index;
        line += w == 0 ? "0001" : gsi16 ? "...." : "..10";
        if (index[0] == '5') {
            line += '+' + Padded("17", width - 4) + "-030";
        } else if (w == 0 && random.Next(4) == 0) {
            line += '+' + Padded("STN" + std::to_string(point % 1000), width);
        } else {
            // Coordinates (81, 82) now and then have nine digits, which GSI-8 cannot hold.
            const bool nine = index[0] == '8' && index[1] != '3' && random.Next(10) == 0;
            const long range = nine ? 1000000000 : 100000000;
            line += random.Next(5) == 0 ? '-' : '+';
            line += Padded(std::to_string((point * 7919 + w * 104729) % range), width);
        }
        if (w + 1 < words || random.Next(4) != 0) line += ' ';
    }
}

// Lines off the grid, as the earlier benchmark made them: data fields shorter than the
// format's and a missing last separator blank. Now and then a shape of real instrument files
// besides: information characters two short, a decimal word longer than the format's, a
// dash placeholder for a missing value, a double blank.
void IrregularLine(Random& random, long point, std::string& line) {
    const bool gsi16 = random.Next(2) == 0;
    const std::size_t width = gsi16 ? 16 : 8;
    const unsigned words = 4 + random.Next(8);
    if (gsi16) line += '*';
    for (unsigned w = 0; w < words; ++w) {
        const std::string value = std::to_string((point * 7919 + w * 104729) % 100000000);
        const unsigned shape = random.Next(24);
        const char* index = kIndex[random.Next(9)];
        line += index;
        line += shape == 0 ? "..+" : gsi16 ? "....+" : "..10+";
        if (index[0] == '5') {
            line += Padded("17", width - 4) + "-030";  // ppm and prism constant
        } else if (shape < 4) {
            line += value.substr(0, 5);  // a short field that the cleaning pads
        } else if (shape == 4) {
            line += Padded(value, width + 1) + ".5";
        } else if (shape == 5) {
            line += Padded("", width - 5) + "-----";
        } else {
            line += Padded(value, width);
        }
        if (w + 1 < words || random.Next(4) != 0) line += random.Next(16) == 0 ? "  " : " ";
    }
}

void Generate(const std::string& path, std::size_t bytes,
              void (*makeLine)(Random&, long, std::string&)) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        std::exit(1);
    }
    Random random;
    std::string line;
    std::size_t written = 0;
    for (long point = 1; written < bytes; ++point) {
        line.clear();
        makeLine(random, point, line);
        line += random.Next(2) == 0 ? "\r\n" : "\n";
        std::fwrite(line.data(), 1, line.size(), file);
        written += line.size();
    }
    std::fclose(file);
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Every contender starts with no output and no backup, so that none pays for deleting
// the previous one's file.
void RemoveOutputs(const std::string& output) {
    std::filesystem::remove(output);
    std::filesystem::remove(output + ".bak");
}

struct CopyTimes {
    double total = 1e9;  // reading, writing and the flush to disk, up to the close
    double flush = 0;    // the fsync of the written file alone
};

// A plain block copy that, like the cleaning run, brings its output to the disk before it
// ends: without the flush the copy would only fill the page cache.
CopyTimes PlainCopy(const std::string& from, const std::string& to) {
    RemoveOutputs(to);
    const auto start = std::chrono::steady_clock::now();
    std::FILE* in = std::fopen(from.c_str(), "rb");
    std::FILE* out = std::fopen(to.c_str(), "wb");
    if (!in || !out) std::exit(1);
    std::setvbuf(out, nullptr, _IONBF, 0);
    const std::size_t block = std::size_t{1} << 20;
    auto buffer = std::make_unique<char[]>(block);
    for (std::size_t got; (got = std::fread(buffer.get(), 1, block, in)) > 0;) {
        if (std::fwrite(buffer.get(), 1, got, out) != got) std::exit(1);
    }
    std::fclose(in);
    CopyTimes times;
#if defined(__unix__) || defined(__APPLE__)
    const auto flushStart = std::chrono::steady_clock::now();
    if (fsync(fileno(out)) != 0) std::exit(1);
    times.flush = Seconds(std::chrono::steady_clock::now() - flushStart);
#endif
    if (std::fclose(out) != 0) std::exit(1);
    times.total = Seconds(std::chrono::steady_clock::now() - start);
    return times;
}

struct CleanResult {
    double seconds = 1e9;
    tessavo::RunResult run;
};

void Clean(const std::string& from, const std::string& to, OutputFormat format, CleanResult& best) {
    NoOpServices services(format);
    RemoveOutputs(to);
    const auto start = std::chrono::steady_clock::now();
    const tessavo::RunResult result = tessavo::CleaningRun(from, to, true, services);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    if (result.outcome != tessavo::RunOutcome::Completed) {
        std::fprintf(stderr, "cleaning failed: %s\n",
                     services.last.lines.empty() ? "" : services.last.lines[0].c_str());
        std::exit(1);
    }
    best.seconds = std::min(best.seconds, seconds);
    best.run = result;
}

long PeakMemoryKiB() {
#if defined(__unix__) || defined(__APPLE__)
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#else
    return -1;
#endif
}

void PrintClean(const char* name, double mb, const CleanResult& r, double copy) {
    std::printf(
        "%-16s %7.1f MB/s  %6.3f s  %4.2fx the copy's time  (%d lines, %lld cut values, "
        "%lld lines unchanged)\n",
        name, mb / r.seconds, r.seconds, r.seconds / copy, r.run.lineCount,
        static_cast<long long>(r.run.cutValues), static_cast<long long>(r.run.unchangedLines));
}

void Measure(const char* what, const std::string& input, const std::string& output) {
    const double mb = static_cast<double>(std::filesystem::file_size(input)) / (1 << 20);
    std::printf("\n%s: %.1f MB\n", what, mb);

    // Warm the page cache so that every contender reads from memory alike, then run the
    // contenders in turns and keep each one's best time: the machine is shared and noisy.
    PlainCopy(input, output);
    constexpr int kRounds = 5;
    CopyTimes copy;
    CleanResult to16, to8;
    for (int round = 0; round < kRounds; ++round) {
        const CopyTimes times = PlainCopy(input, output);
        if (times.total < copy.total) copy = times;
        Clean(input, output, OutputFormat::Gsi16, to16);
        Clean(input, output, OutputFormat::Gsi8, to8);
    }
    std::printf("best of %d rounds, each with its flush to disk:\n", kRounds);
    std::printf("%-16s %7.1f MB/s  %6.3f s  (%.3f s of it the flush)\n", "plain copy",
                mb / copy.total, copy.total, copy.flush);
    PrintClean("clean to GSI-16", mb, to16, copy.total);
    PrintClean("clean to GSI-8", mb, to8, copy.total);
    RemoveOutputs(output);
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    const std::filesystem::path folder =
        (argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path()) /
        "tessavo-bench";
    std::filesystem::create_directories(folder);
    const std::string input = (folder / "input.gsi").string();
    const std::string output = (folder / "output.gsi").string();

    // Peak memory after a 16 MB run, to compare with the peak after the large runs. (A
    // smaller file would not touch all of the run's fixed buffers, some 4 MB.)
    Generate(input, std::size_t{16} << 20, IrregularLine);
    CleanResult small;
    Clean(input, output, OutputFormat::Gsi16, small);
    const long smallPeak = PeakMemoryKiB();

    Generate(input, megabytes << 20, GridLine);
    Measure("lines on the word grid (GSI-8 and GSI-16 mixed)", input, output);
    Generate(input, megabytes << 20, IrregularLine);
    Measure("irregular lines, read word by word (GSI-8 and GSI-16 mixed)", input, output);

    std::printf("\npeak memory: %ld KiB after a 16 MB run, %ld KiB after the %zu MB runs\n",
                smallPeak, PeakMemoryKiB(), megabytes);
    if (argc > 3 && std::string(argv[3]) == "keep") {
        RemoveOutputs(output);
        std::printf("kept %s\n", input.c_str());
    } else {
        std::filesystem::remove_all(folder);
    }
    return 0;
}
