// SPDX-License-Identifier: GPL-3.0-or-later
// tessavo-cli: arguments, the run of each file, its messages and the exit status.
#include "CommandLine.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string_view>

#include "CleaningRun.h"
#include "Console.h"
#include "Version.h"
#include "modFileHandling.h"

namespace tessavo::cli {

namespace {

constexpr std::string_view kUsageText =
    "Gebruik: tessavo-cli [--gsi8 | --gsi16] INVOER UITVOER\n"
    "         tessavo-cli [--gsi8 | --gsi16] --in-place BESTAND...\n"
    "         tessavo-cli --help | --version\n";

constexpr std::string_view kHelpText =
    "\n"
    "Schoont Leica GSI bestanden op met dezelfde bewerking als het venster van Tessavo, met\n"
    "\"Automatisch Backup maken\" aangevinkt: een bestaand uitvoerbestand blijft bewaard als\n"
    "<uitvoer>.bak, en een mislukte of onderbroken bewerking verandert niets.\n"
    "\n"
    "  --gsi8       uitvoer in GSI-8\n"
    "  --gsi16      uitvoer in GSI-16\n"
    "               (zonder een van beide houdt de uitvoer het formaat van de invoer)\n"
    "  --in-place   schoon elk BESTAND op in zichzelf; het origineel blijft bewaard als\n"
    "               BESTAND.bak\n"
    "  --help       toon deze hulp\n"
    "  --version    toon het versienummer\n"
    "\n"
    "Het resultaat van elk bestand gaat naar de standaarduitvoer, weigeringen en fouten\n"
    "naar de standaardfout. Met --in-place begint elke regel met de naam van het bestand\n"
    "en \": \". Ctrl+C stopt het bestand dat bezig is, laat het zoals het was en slaat de\n"
    "rest over.\n"
    "\n"
    "Afsluitstatus:\n"
    "  0    alle bestanden zijn opgeschoond\n"
    "  3    alle bestanden zijn opgeschoond, maar er zijn waarden ingekort of regels\n"
    "       ongewijzigd gelaten\n"
    "  1    een bestand is geweigerd, ontbreekt of is mislukt; de andere zijn wel gedaan\n"
    "  2    verkeerd gebruik\n"
    "  130  gestopt met Ctrl+C\n";

void Write(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

struct Options {
    OutputFormat format = OutputFormat::SameAsInput;
    bool inPlace = false;
    std::vector<std::string> files;
};

// What the arguments ask for: a run with options, the help or the version, or nothing
// (wrong usage, with the reason).
struct Request {
    enum class Kind { Run, Help, Version, Usage } kind = Kind::Run;
    Options options;
    std::string usageError;
};

Request Parse(const std::vector<std::string>& arguments) {
    Request request;
    Options& options = request.options;
    std::optional<std::string> error;
    bool onlyFiles = false;  // after "--", so that a file may begin with "-"
    for (const std::string& argument : arguments) {
        if (onlyFiles || argument.size() < 2 || argument.front() != '-') {
            options.files.push_back(argument);
        } else if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "--help") {
            return {Request::Kind::Help, {}, {}};
        } else if (argument == "--version") {
            return {Request::Kind::Version, {}, {}};
        } else if (argument == "--gsi8" || argument == "--gsi16") {
            const OutputFormat format =
                argument == "--gsi8" ? OutputFormat::Gsi8 : OutputFormat::Gsi16;
            if (options.format != OutputFormat::SameAsInput && options.format != format) {
                error = error.value_or("--gsi8 en --gsi16 sluiten elkaar uit");
            }
            options.format = format;
        } else if (argument == "--in-place") {
            options.inPlace = true;
        } else {
            error = error.value_or("onbekende optie: " + argument);
        }
    }
    if (!error && options.inPlace && options.files.empty()) {
        error = "--in-place verwacht een of meer bestanden";
    }
    if (!error && !options.inPlace && options.files.size() != 2) {
        error = "verwacht INVOER en UITVOER";
    }
    if (error) {
        request.kind = Request::Kind::Usage;
        request.usageError = *error;
    }
    return request;
}

// The progress of a long run on a terminal: one line on standard error that is rewritten
// in place and blanked out again before anything else is written.
class ProgressLine {
  public:
    ProgressLine(std::string prefix, bool enabled)
        : prefix_(std::move(prefix)), enabled_(enabled), start_(Clock::now()) {}

    void Update(const Progress& progress) {
        // The run reports every line; the clock is read only once per MiB.
        if (!enabled_ || progress.bytesRead < nextCheck_) return;
        nextCheck_ = progress.bytesRead + kCheckEvery;
        if (shownPercent_ < 0 && Clock::now() - start_ < std::chrono::seconds(1)) return;
        const std::uint64_t total = progress.totalBytes > 0 ? progress.totalBytes : 1;
        const int percent =
            static_cast<int>(std::min<std::uint64_t>(100, progress.bytesRead * 100 / total));
        if (percent == shownPercent_) return;
        shownPercent_ = percent;
        std::string text = "\r" + prefix_;
        text += "Bezig met opschonen: " + std::to_string(percent) + "%";
        Write(stderr, text);
        width_ = text.size() - 1;
    }

    void Clear() {
        if (width_ == 0) return;
        std::string blank(width_ + 2, ' ');
        blank.front() = blank.back() = '\r';
        Write(stderr, blank);
        width_ = 0;
    }

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::uint64_t kCheckEvery = std::uint64_t{1} << 20;

    std::string prefix_;
    bool enabled_;
    Clock::time_point start_;
    std::uint64_t nextCheck_ = kCheckEvery;
    int shownPercent_ = -1;
    std::size_t width_ = 0;
};

// The services of one file's run: messages to the stream their kind calls for, each line
// with the batch's prefix; Ctrl+C stops the run.
class FileRun final : public RunServices {
  public:
    FileRun(std::string prefix, OutputFormat format)
        : prefix_(std::move(prefix)), format_(format), progress_(prefix_, IsTerminal(stderr)) {}

    void Finish() { progress_.Clear(); }

  private:
    OutputFormat CurrentOutputFormat() override { return format_; }

    MessageAnswer ShowMessage(const Message& message) override {
        progress_.Clear();
        std::string text;
        for (const std::string& line : message.lines) text += prefix_ + line + "\n";
        Write(message.kind == MessageKind::Report ? stdout : stderr, text);
        // With automatic backup the run asks nothing; should it ever ask, the answer that
        // touches nothing is the safe one.
        return message.kind == MessageKind::Question ? MessageAnswer::Cancel : MessageAnswer::Ok;
    }

    bool ProcessEvents(const Progress& progress) override {
        progress_.Update(progress);
        return !InterruptRequested();
    }

    void MakeProcessDefault() override {}

    std::string prefix_;
    OutputFormat format_;
    ProgressLine progress_;
};

ExitStatus StatusOf(const RunResult& result) {
    switch (result.outcome) {
        case RunOutcome::Completed:
            return result.cutValues > 0 || result.unchangedLines > 0 ? kCut : kCleaned;
        case RunOutcome::Stopped:
            return kInterrupted;
        default:
            return kFailed;
    }
}

// The status of a batch is that of its worst file.
ExitStatus Worse(ExitStatus a, ExitStatus b) {
    const auto rank = [](ExitStatus status) {
        switch (status) {
            case kCleaned:
                return 0;
            case kCut:
                return 1;
            case kFailed:
                return 2;
            default:
                return 3;
        }
    };
    return rank(a) >= rank(b) ? a : b;
}

// Names the file on disk, so that "a.gsi" and "./a.gsi" are one file.
std::filesystem::path FileKey(const std::string& file) {
    std::error_code ec;
    std::filesystem::path key = std::filesystem::weakly_canonical(ToFsPath(file), ec);
    return ec ? ToFsPath(file) : key;
}

ExitStatus RunFiles(const Options& options) {
    struct Job {
        std::string input, output, prefix;
    };
    std::vector<Job> jobs;
    if (options.inPlace) {
        // A file named twice is cleaned once: a second run would replace the backup of the
        // original with the once-cleaned file (with --gsi8, one with its values cut).
        std::set<std::filesystem::path> seen;
        for (const std::string& file : options.files) {
            if (seen.insert(FileKey(file)).second) jobs.push_back({file, file, file + ": "});
        }
    } else {
        jobs.push_back({options.files[0], options.files[1], ""});
    }

    ExitStatus status = kCleaned;
    for (const Job& job : jobs) {
        if (InterruptRequested()) break;
        FileRun run(job.prefix, options.format);
        const RunResult result = CleaningRun(job.input, job.output, true, run);
        run.Finish();
        status = Worse(status, StatusOf(result));
    }
    return InterruptRequested() ? kInterrupted : status;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments) {
    const Request request = Parse(arguments);
    switch (request.kind) {
        case Request::Kind::Help:
            Write(stdout, std::string(kUsageText) + std::string(kHelpText));
            return kCleaned;
        case Request::Kind::Version:
            Write(stdout, "tessavo-cli " TESSAVO_VERSION "\n");
            return kCleaned;
        case Request::Kind::Usage:
            Write(stderr, "tessavo-cli: " + request.usageError + "\n" + std::string(kUsageText) +
                              "Meer uitleg: tessavo-cli --help\n");
            return kUsage;
        case Request::Kind::Run:
            break;
    }
    return RunFiles(request.options);
}

}  // namespace tessavo::cli
