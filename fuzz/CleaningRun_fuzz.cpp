// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as an input file through a whole cleaning run. The
// first byte picks the output format (its value modulo 3: as the input, GSI-8, GSI-16) and
// the output's extension (its bit 2: ".raw"); the rest is the file. Every run ends with one
// message, leaves the input as it was and no file but its output, and none when refused.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "CleaningRun.h"
#include "TextFiles.h"

namespace {

using namespace tessavo;

class Services : public RunServices {
  public:
    explicit Services(OutputFormat format) : format_(format) {}
    OutputFormat CurrentOutputFormat() override { return format_; }
    MessageAnswer ShowMessage(const Message&) override {
        ++messages;
        return MessageAnswer::Ok;
    }
    bool ProcessEvents(const Progress&) override { return true; }
    void MakeProcessDefault() override {}
    int messages = 0;

  private:
    OutputFormat format_;
};

// A folder of this process's own for each run, removed afterwards with everything in it
// (libFuzzer may end the process without running exit handlers).
std::filesystem::path Folder() {
    return std::filesystem::temp_directory_path() / ("tessavo-fuzz-" + std::to_string(getpid()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static constexpr OutputFormat kFormats[] = {OutputFormat::SameAsInput, OutputFormat::Gsi8,
                                                OutputFormat::Gsi16};
    const std::filesystem::path folder = Folder();
    std::filesystem::create_directories(folder);
    const std::string input = (folder / "in.gsi").string();
    const std::string output = (folder / ((data[0] & 4) ? "out.raw" : "out.gsi")).string();
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    {
        std::ofstream file(input, std::ios::binary | std::ios::trunc);
        file << bytes;
    }
    Services services(kFormats[data[0] % 3]);
    const RunResult result = CleaningRun(input, output, true, services);
    // It fails only on a line that is too long.
    const bool mayFail = size > static_cast<std::size_t>(LineReader::kMaxLine);
    if (services.messages != 1 ||
        !(result.outcome == RunOutcome::Completed || result.outcome == RunOutcome::Refused ||
          (mayFail && result.outcome == RunOutcome::Failed)) ||
        result.cutValues < 0 || result.unchangedLines > result.lineCount ||
        // Every change counted is listed or counted as left out.
        static_cast<std::int64_t>(result.changes.size()) + result.changesLeftOut !=
            (result.outcome == RunOutcome::Completed ? result.cutValues + result.unchangedLines
                                                     : 0)) {
        std::abort();
    }
    std::ifstream kept(input, std::ios::binary);
    if (std::string(std::istreambuf_iterator<char>(kept), {}) != bytes) std::abort();
    const auto files = std::distance(std::filesystem::directory_iterator(folder), {});
    if (files != (result.outcome == RunOutcome::Completed ? 2 : 1)) std::abort();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
