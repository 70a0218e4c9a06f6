// Tessavo - cleaning of Leica GSI measurement files.
//
// Times CleaningRun over a large generated GSI file, to GSI-16 and to GSI-8, next to a
// plain block copy of the same file in the same run, and prints the ratio to the copy.
// Usage: bench_cleaning [size in MB, default 200] [folder, default the temp folder] [keep]
// With "keep" the generated input stays as <folder>/tessavo-bench/input.gsi, to time other
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

// A small deterministic generator, so that every run measures the same file.
class Random {
  public:
    unsigned Next(unsigned bound) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state_ >> 33) % bound;
    }

  private:
    unsigned long long state_ = 42;
};

// Mixed GSI-8 and GSI-16 lines with irregularities: short data fields, missing
// separator blanks and partial last words; CR LF and LF line ends.
void Generate(const std::string& path, std::size_t bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        std::exit(1);
    }
    static const char* const kIndex[] = {"11", "21", "22", "31", "51", "81", "82", "83", "87"};
    Random random;
    std::string line;
    std::size_t written = 0;
    for (long point = 1; written < bytes; ++point) {
        const bool gsi16 = random.Next(2) == 0;
        const unsigned words = 4 + random.Next(8);
        line.clear();
        if (gsi16) line += '*';
        for (unsigned w = 0; w < words; ++w) {
            line += kIndex[random.Next(9)];
            line += gsi16 ? "....+" : "..10+";
            std::string value = std::to_string(point * 7919 + w * 104729);
            const std::size_t width = gsi16 ? 16 : 8;
            if (random.Next(6) == 0) {
                line += value;  // a short field that the cleaning pads
            } else {
                value = std::string(width > value.size() ? width - value.size() : 0, '0') + value;
                line += value.substr(value.size() - width);
            }
            if (w + 1 < words || random.Next(4) != 0) line += ' ';
        }
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

double PlainCopy(const std::string& from, const std::string& to) {
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
    if (std::fclose(out) != 0) std::exit(1);
    return Seconds(std::chrono::steady_clock::now() - start);
}

double Clean(const std::string& from, const std::string& to, OutputFormat format,
             std::int32_t& lines) {
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
    lines = result.lineCount;
    return seconds;
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

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    const std::filesystem::path folder =
        (argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path()) /
        "tessavo-bench";
    std::filesystem::create_directories(folder);
    const std::string input = (folder / "input.gsi").string();
    const std::string small = (folder / "small.gsi").string();
    const std::string output = (folder / "output.gsi").string();

    // Peak memory after a 16 MB run, to compare with the peak after the large runs. (A
    // smaller file would not touch all of the run's fixed buffers, some 4 MB.)
    Generate(small, std::size_t{16} << 20);
    std::int32_t lines = 0;
    Clean(small, output, OutputFormat::Gsi16, lines);
    const long smallPeak = PeakMemoryKiB();

    Generate(input, megabytes << 20);
    const double mb = static_cast<double>(std::filesystem::file_size(input)) / (1 << 20);
    std::printf("input: %.1f MB of mixed GSI-8/GSI-16 lines\n", mb);

    // Warm the page cache so that every contender reads from memory alike, then run the
    // contenders in turns and keep each one's best time: the machine is shared and noisy.
    PlainCopy(input, output);
    constexpr int kRounds = 5;
    double copy = 1e9, to16 = 1e9, to8 = 1e9;
    std::int32_t lines16 = 0, lines8 = 0;
    for (int round = 0; round < kRounds; ++round) {
        copy = std::min(copy, PlainCopy(input, output));
        to16 = std::min(to16, Clean(input, output, OutputFormat::Gsi16, lines16));
        to8 = std::min(to8, Clean(input, output, OutputFormat::Gsi8, lines8));
    }
    std::printf("best of %d rounds:\n", kRounds);
    std::printf("%-16s %7.1f MB/s  %6.3f s\n", "plain copy", mb / copy, copy);
    std::printf("%-16s %7.1f MB/s  %6.3f s  %4.2fx the copy's time  (%d lines)\n",
                "clean to GSI-16", mb / to16, to16, to16 / copy, lines16);
    std::printf("%-16s %7.1f MB/s  %6.3f s  %4.2fx the copy's time  (%d lines)\n", "clean to GSI-8",
                mb / to8, to8, to8 / copy, lines8);
    std::printf("peak memory: %ld KiB after a 16 MB run, %ld KiB after the %.0f MB runs\n",
                smallPeak, PeakMemoryKiB(), mb);
    if (argc > 3 && std::string(argv[3]) == "keep") {
        RemoveOutputs(output);
        std::filesystem::remove(small);
        std::printf("kept %s\n", input.c_str());
    } else {
        std::filesystem::remove_all(folder);
    }
    return 0;
}
