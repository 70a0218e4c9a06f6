// SPDX-License-Identifier: GPL-3.0-or-later
// RunCommandLine: the arguments, the files they name, the run of each file, its messages
// and the exit status.
#include "CommandLine.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

#include "CleaningRun.h"
#include "FileSystem.h"
#include "RunMessages.h"
#include "SystemServices.h"
#include "Version.h"
#include "modFileHandling.h"

namespace tessavo::cli {

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
constexpr std::string_view kSeparators = "\\/:";
constexpr char kSeparator = '\\';
#else
constexpr bool kWindows = false;
constexpr std::string_view kSeparators = "/";
constexpr char kSeparator = '/';
#endif

constexpr std::string_view kUsageText =
    "Gebruik: tessavo-cli [--gsi8 | --gsi16] INVOER UITVOER\n"
    "         tessavo-cli [--gsi8 | --gsi16] --in-place BESTAND...\n"
    "         tessavo-cli [--gsi8 | --gsi16] --output-dir MAP BESTAND...\n"
    "         tessavo-cli [--gsi8 | --gsi16] --check BESTAND...\n"
    "         tessavo-cli --help | --version\n";

constexpr std::string_view kHelpText =
    "\n"
    "Schoont Leica GSI bestanden op met dezelfde bewerking als het venster van Tessavo, met\n"
    "\"Automatisch Backup maken\" aangevinkt: een bestaand uitvoerbestand blijft bewaard als\n"
    "<uitvoer>.bak, en een mislukte of onderbroken bewerking verandert niets.\n"
    "\n"
    "  --gsi8            uitvoer in GSI-8\n"
    "  --gsi16           uitvoer in GSI-16\n"
    "                    (zonder een van beide houdt de uitvoer het formaat van de invoer)\n"
    "  --in-place        schoon elk BESTAND op in zichzelf; het origineel blijft bewaard als\n"
    "                    BESTAND.bak\n"
    "  --output-dir MAP  schoon elk BESTAND op naar MAP met dezelfde naam; MAP moet bestaan,\n"
    "                    en twee bestanden met dezelfde naam worden geweigerd\n"
    "  --check           schrijf niets, maar toon van elk BESTAND elke waarde die zou\n"
    "                    worden ingekort en elke regel die ongewijzigd zou blijven\n"
    "  -h, --help        toon deze hulp (op Windows ook /?)\n"
    "  --version         toon het versienummer\n"
    "\n"
    "Het resultaat van elk bestand gaat naar de standaarduitvoer, weigeringen en fouten\n"
    "naar de standaardfout. Met --in-place en --output-dir begint elke regel met de naam\n"
    "van het bestand en \": \". Ctrl+C stopt het bestand dat bezig is, laat het zoals het\n"
    "was en slaat de rest over. Op Windows zoekt tessavo-cli bij jokertekens (* en ?) in\n"
    "een bestandsnaam zelf de bestanden die erop passen.\n"
    "\n"
    "Een - als INVOER leest de standaardinvoer, als UITVOER schrijft het naar de\n"
    "standaarduitvoer, zonder backup of tijdelijk bestand; het resultaat gaat dan naar de\n"
    "standaardfout. Mislukt of stopt de bewerking halverwege, dan is de uitvoer onvolledig.\n"
    "\n"
    "Afsluitstatus:\n"
    "  0    alle bestanden zijn opgeschoond (met --check: er zou niets worden ingekort of\n"
    "       ongewijzigd blijven)\n"
    "  3    alle bestanden zijn opgeschoond, maar er zijn waarden ingekort of regels\n"
    "       ongewijzigd gelaten (met --check: dat zou gebeuren)\n"
    "  1    een bestand is geweigerd, ontbreekt of is mislukt; de andere zijn wel gedaan\n"
    "  2    verkeerd gebruik\n"
    "  130  gestopt met Ctrl+C: een bestand is teruggezet of er zijn bestanden\n"
    "       overgeslagen\n";

void Write(std::ostream& stream, std::string_view text) { stream << text << std::flush; }

// The forms of a run: one input into one output, files into themselves, files into a
// folder, or files only read for the list of what cleaning them would change.
enum class Form { Pair, InPlace, OutputDir, Check };

// "-" as a file: standard input as INPUT, standard output as OUTPUT; in messages the
// streams go by these names.
constexpr std::string_view kStandardStream = "-";
constexpr std::string_view kStandardInput = "standaardinvoer";
constexpr std::string_view kStandardOutput = "standaarduitvoer";

struct Options {
    OutputFormat format = OutputFormat::SameAsInput;
    Form form = Form::Pair;
    std::string outputDir;
    std::vector<std::string> files;
};

// What the arguments ask for: a run with options, the help or the version, or nothing
// (wrong usage, with the reason).
struct Request {
    enum class Kind { Run, Help, Version, Usage } kind = Kind::Run;
    Options options;
    std::string usageError;
};

constexpr std::string_view kOutputDir = "--output-dir";

std::string FormOption(Form form) {
    switch (form) {
        case Form::InPlace:
            return "--in-place";
        case Form::OutputDir:
            return std::string(kOutputDir);
        case Form::Check:
            return "--check";
        case Form::Pair:
            break;
    }
    return {};
}

bool IsHelp(const std::string& argument) {
    return argument == "--help" || argument == "-h" || (kWindows && argument == "/?");
}

Request Parse(const std::vector<std::string>& arguments) {
    Request request;
    Options& options = request.options;
    std::optional<std::string> error;
    const auto fail = [&error](std::string reason) { error = error.value_or(std::move(reason)); };
    const auto setForm = [&](Form form) {
        if (options.form != Form::Pair && options.form != form) {
            fail(FormOption(options.form) + " en " + FormOption(form) + " sluiten elkaar uit");
        }
        options.form = form;
    };
    bool onlyFiles = false;  // after "--", so that a file may begin with "-"
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!onlyFiles && IsHelp(argument)) {
            return {Request::Kind::Help, {}, {}};
        } else if (onlyFiles || argument.size() < 2 || argument.front() != '-') {
            options.files.push_back(TypedPath(argument));
        } else if (argument == "--") {
            onlyFiles = true;
        } else if (argument == "--version") {
            return {Request::Kind::Version, {}, {}};
        } else if (argument == "--gsi8" || argument == "--gsi16") {
            const OutputFormat format =
                argument == "--gsi8" ? OutputFormat::Gsi8 : OutputFormat::Gsi16;
            if (options.format != OutputFormat::SameAsInput && options.format != format) {
                fail("--gsi8 en --gsi16 sluiten elkaar uit");
            }
            options.format = format;
        } else if (argument == "--in-place") {
            setForm(Form::InPlace);
        } else if (argument == "--check") {
            setForm(Form::Check);
        } else if (argument == kOutputDir || argument.starts_with(std::string(kOutputDir) + "=")) {
            setForm(Form::OutputDir);
            std::optional<std::string> folder;
            if (argument.size() > kOutputDir.size()) {
                folder = argument.substr(kOutputDir.size() + 1);  // after "="
            } else if (i + 1 < arguments.size()) {
                folder = arguments[++i];
            }
            if (!options.outputDir.empty()) fail("--output-dir mag maar een keer");
            if (folder) options.outputDir = TypedPath(*folder);
            if (options.outputDir.empty()) fail("--output-dir verwacht een map");
        } else {
            fail("onbekende optie: " + argument);
        }
    }
    if (options.form == Form::InPlace && options.files.empty()) {
        fail("--in-place verwacht een of meer bestanden");
    }
    if (options.form == Form::OutputDir && options.files.empty()) {
        fail("--output-dir verwacht een of meer bestanden");
    }
    if (options.form == Form::Check && options.files.empty()) {
        fail("--check verwacht een of meer bestanden");
    }
    // A stream can be neither cleaned into itself nor named in a folder.
    if ((options.form == Form::InPlace || options.form == Form::OutputDir) &&
        std::ranges::find(options.files, kStandardStream) != options.files.end()) {
        fail("- kan niet met " + FormOption(options.form));
    }
    if (options.form == Form::Pair && options.files.size() != 2) {
        fail("verwacht INVOER en UITVOER");
    }
    // Refused here, before anything is touched: an empty name would only fail after the
    // run had written a temporary file beside it.
    if (std::ranges::any_of(options.files, &std::string::empty)) fail("lege bestandsnaam");
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
    ProgressLine(std::ostream& err, std::string prefix, bool enabled)
        : err_(err), prefix_(std::move(prefix)), enabled_(enabled), start_(Clock::now()) {}

    void Update(const Progress& progress) {
        // The run reports every line; the clock is read only once per MiB.
        if (!enabled_ || progress.bytesRead < nextCheck_) return;
        nextCheck_ = progress.bytesRead + kCheckEvery;
        if (shown_ < 0 && Clock::now() - start_ < std::chrono::seconds(1)) return;
        // From a pipe, whose length is not known ahead, the MB read so far.
        const std::uint64_t total = progress.totalBytes;
        const int shown = static_cast<int>(
            total > 0 ? std::min<std::uint64_t>(100, progress.bytesRead * 100 / total)
                      : progress.bytesRead >> 20);
        if (shown == shown_) return;
        shown_ = shown;
        std::string text = "\r" + prefix_;
        text += "Bezig met opschonen: " + std::to_string(shown) + (total > 0 ? "%" : " MB gelezen");
        Write(err_, text);
        width_ = text.size() - 1;
    }

    void Clear() {
        if (width_ == 0) return;
        std::string blank(width_ + 2, ' ');
        blank.front() = blank.back() = '\r';
        Write(err_, blank);
        width_ = 0;
    }

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::uint64_t kCheckEvery = std::uint64_t{1} << 20;

    std::ostream& err_;
    std::string prefix_;
    bool enabled_;
    Clock::time_point start_;
    std::uint64_t nextCheck_ = kCheckEvery;
    int shown_ = -1;  // the percentage or MB on the line, -1 before the first
    std::size_t width_ = 0;
};

// One file of the command line: the input, the output, and the file that starts each line
// of its messages in a batch (none for a single input and output).
struct Job {
    std::string input, output, file;
};

// The services of one file's run: messages to the stream their kind calls for, each line
// with the batch's prefix, the report to standard error when standard output carries the
// cleaned lines; Ctrl+C, or standard output that can no longer be written, stops the run.
class FileRun final : public RunServices {
  public:
    FileRun(const Job& job, OutputFormat format, std::ostream& out, std::ostream& err,
            CommandLineServices& system)
        : file_(job.file),
          prefix_(job.file.empty() ? "" : job.file + ": "),
          format_(format),
          out_(out),
          err_(err),
          report_(job.output == kStandardStream ? err : out),
          system_(system),
          progress_(err, prefix_, system.IsTerminal(StandardStream::Error)) {}

    void Finish() {
        progress_.Clear();
        out_.flush();
    }

    // One line of a check's list, on standard output.
    void List(const LineChange& change) {
        progress_.Clear();
        out_ << prefix_ << ChangeText(change) << '\n';
    }

  private:
    OutputFormat CurrentOutputFormat() override { return format_; }

    MessageAnswer ShowMessage(const Message& message) override {
        progress_.Clear();
        out_.flush();  // a list before it
        std::string text;
        for (const std::string& line : message.lines) {
            // A line that only names the file says nothing the prefix does not.
            if (!file_.empty() && line == file_) continue;
            text += prefix_ + line + "\n";
        }
        Write(message.kind == MessageKind::Report ? report_ : err_, text);
        // With automatic backup the run asks nothing; should it ever ask, the answer that
        // touches nothing is the safe one.
        return message.kind == MessageKind::Question ? MessageAnswer::Cancel : MessageAnswer::Ok;
    }

    bool ProcessEvents(const Progress& progress) override {
        progress_.Update(progress);
        return !system_.InterruptRequested() && out_.good();
    }

    void MakeProcessDefault() override {}

    const std::string& file_;
    std::string prefix_;
    OutputFormat format_;
    std::ostream& out_;
    std::ostream& err_;
    std::ostream& report_;
    CommandLineServices& system_;
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

// A path cut after its last separator: the folder (with that separator; "." when there
// is none) and the name.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t cut = path.find_last_of(kSeparators);
    if (cut == std::string::npos) return {".", path};
    return {path.substr(0, cut + 1), path.substr(cut + 1)};
}

std::optional<fs::FileId> IdentityOf(const std::string& path) {
    std::error_code ec;
    const fs::FileInfo info = fs::Inspect(path, ec);
    if (ec || info.kind == fs::Kind::Missing || info.kind == fs::Kind::BrokenLink) {
        return std::nullopt;
    }
    return info.id;
}

// Names one file whatever path reaches it, so that links, bind mounts and names in another
// letter case compare as the file they are. Where not even the folder can be found, the
// text is all there is to compare.
fs::FileKey KeyOf(const std::string& path) {
    std::error_code ec;
    fs::FileKey key = fs::KeyOf(path, ec);
    if (ec) return {{}, path};
    return key;
}

// The arguments that name files: wildcard patterns that name no file expanded where the
// system leaves that to the program. A pattern that matches nothing stays as it is, to be
// reported as a missing file.
std::vector<std::string> ExpandWildcards(const std::vector<std::string>& arguments,
                                         CommandLineServices& system) {
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        std::vector<std::string> matches;
        if (argument.find_first_of("*?") != std::string::npos && !IdentityOf(argument)) {
            matches = system.ExpandWildcards(argument);
        }
        if (matches.empty()) {
            files.push_back(argument);
        } else {
            files.insert(files.end(), matches.begin(), matches.end());
        }
    }
    return files;
}

// A refusal of the whole command before any file is touched.
int Refuse(std::ostream& err, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    Write(err, text);
    return kFailed;
}

int Usage(std::ostream& err, const std::string& reason) {
    Write(err, "tessavo-cli: " + reason + "\n" + std::string(kUsageText) +
                   "Meer uitleg: tessavo-cli --help\n");
    return kUsage;
}

// The jobs of a batch. A file named twice is cleaned once: a second run would replace the
// backup of the original with the once-cleaned file (with --gsi8, one with its values cut).
std::vector<Job> UniqueJobs(const std::vector<std::string>& files) {
    std::vector<Job> jobs;
    std::vector<fs::FileKey> seen;
    for (const std::string& file : files) {
        fs::FileKey key = KeyOf(file);
        if (std::ranges::find(seen, key) != seen.end()) continue;
        seen.push_back(std::move(key));
        jobs.push_back({file, file, file});
    }
    return jobs;
}

// Points each job's output into `folder` under the input's own name; in the input's own
// folder that is the input itself, cleaned in place. Answers a refusal's lines when two
// inputs would share one output.
std::vector<std::string> IntoFolder(std::vector<Job>& jobs, const std::string& folder,
                                    const fs::FileId& folderId) {
    std::vector<fs::FileKey> outputs;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        Job& job = jobs[i];
        const auto [inputFolder, name] = SplitPath(job.input);
        if (IdentityOf(inputFolder) != folderId) {
            const bool ends = folder.find_last_of(kSeparators) == folder.size() - 1;
            job.output = ends ? folder + name : folder + kSeparator + name;
        }
        outputs.push_back(KeyOf(job.output));
        const auto first = std::ranges::find(outputs, outputs.back());
        if (first != outputs.end() - 1) {
            return {"Twee invoerbestanden hebben dezelfde naam:",
                    jobs[static_cast<std::size_t>(first - outputs.begin())].input, job.input,
                    "Bewerking is niet mogelijk."};
        }
    }
    return {};
}

// A file of a job as the engine takes it: "-" is the standard stream, under its name.
RunFile FileOf(const std::string& path, StandardStream stream, CommandLineServices& system) {
    if (path != kStandardStream) return {path};
    const bool input = stream == StandardStream::Input;
    RunFile file{std::string(input ? kStandardInput : kStandardOutput)};
    std::error_code ec;
    file.stream = system.StandardFile(stream, ec);
    if (ec) {
        throw FileOperationError(input ? FileOperation::OpenRead : FileOperation::CreateOutput,
                                 file.path, ec);
    }
    return file;
}

// Runs one job, or checks its input; a standard stream that cannot be had fails the job.
RunResult RunJob(const Job& job, bool check, FileRun& run, CommandLineServices& system) {
    RunServices& services = run;
    try {
        RunFile input = FileOf(job.input, StandardStream::Input, system);
        if (check) {
            return CheckRun(std::move(input), services,
                            [&run](const LineChange& change) { run.List(change); });
        }
        RunFile output = FileOf(job.output, StandardStream::Output, system);
        return CleaningRun(std::move(input), std::move(output), true, services);
    } catch (const FileOperationError& e) {
        services.ShowMessage(FailureMessage(e, false));
        return {RunOutcome::Failed};
    }
}

int RunFiles(const Options& options, std::ostream& out, std::ostream& err,
             CommandLineServices& system) {
    std::vector<Job> jobs;
    if (options.form == Form::Pair) {
        const std::vector<std::string> inputs = ExpandWildcards({options.files[0]}, system);
        if (inputs.size() > 1) {
            return Usage(err, options.files[0] +
                                  " past op meer dan een bestand; gebruik "
                                  "--in-place of --output-dir");
        }
        jobs.push_back({inputs[0], options.files[1], ""});
    } else {
        jobs = UniqueJobs(ExpandWildcards(options.files, system));
    }
    if (options.form == Form::Check) {
        // Every line names its file; a check has no output.
        for (Job& job : jobs) {
            job.output.clear();
            if (job.input == kStandardStream) job.file = kStandardInput;
        }
    }
    if (options.form == Form::OutputDir) {
        std::error_code ec;
        const fs::FileInfo folder = fs::Inspect(options.outputDir, ec);
        if (ec || folder.kind != fs::Kind::Directory) {
            return Refuse(err, {"Uitvoermap niet gevonden:", options.outputDir,
                                "Bewerking is niet mogelijk."});
        }
        const std::vector<std::string> refusal = IntoFolder(jobs, options.outputDir, folder.id);
        if (!refusal.empty()) return Refuse(err, refusal);
    }

    ExitStatus status = kCleaned;
    std::size_t next = 0;
    while (next < jobs.size() && !system.InterruptRequested()) {
        const Job& job = jobs[next++];
        FileRun run(job, options.format, out, err, system);
        const RunResult result = RunJob(job, options.form == Form::Check, run, system);
        run.Finish();
        if (!out.good()) {
            // The reader of standard output is gone: nothing more can be told there.
            Write(err, std::string(kStandardOutput) + " kan niet worden geschreven.\n");
            return kFailed;
        }
        status = Worse(status, StatusOf(result));
        if (result.outcome == RunOutcome::Stopped) {
            const std::string& file = job.file.empty() ? job.output : job.file;
            Write(err,
                  job.output == kStandardStream
                      ? std::string(kStandardOutput) + ": Onderbroken; de uitvoer is onvolledig.\n"
                      : file + ": Onderbroken; het bestand is niet gewijzigd.\n");
            break;
        }
    }
    // A file whose run completed counts as cleaned, even when Ctrl+C came during its last
    // step; only a file put back or files skipped make the status 130.
    if (const std::size_t skipped = jobs.size() - next; skipped > 0) {
        Write(err, "Overgeslagen: " + std::to_string(skipped) +
                       (skipped == 1 ? " bestand.\n" : " bestanden.\n"));
        return kInterrupted;
    }
    return status;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   CommandLineServices& services) {
    const Request request = Parse(arguments);
    switch (request.kind) {
        case Request::Kind::Help:
            Write(out, std::string(kUsageText) + std::string(kHelpText));
            return kCleaned;
        case Request::Kind::Version:
            Write(out, "tessavo-cli " TESSAVO_VERSION "\n");
            return kCleaned;
        case Request::Kind::Usage:
            return Usage(err, request.usageError);
        case Request::Kind::Run:
            break;
    }
    return RunFiles(request.options, out, err, services);
}

}  // namespace tessavo::cli
