// SPDX-License-Identifier: GPL-3.0-or-later
// CleaningRun: one input streamed line by line into a new output beside the old one.
#include "CleaningRun.h"

#include <optional>

#include "BackupExistingOutput.h"
#include "FaultInjection.h"
#include "InputLines.h"
#include "RunMessages.h"
#include "TextFiles.h"
#include "modFileHandling.h"
#include "modGSI.h"

namespace tessavo {

namespace {

// The streaming part of a run: the input read where it is, each line converted and
// written to a new file or a stream, or only compared with an existing file. The changes
// beyond the form go to `sink`, every one of them, or without one into the result while it
// has room.
class Stream {
  public:
    Stream(fs::File& input, const std::string& inputPath, const std::string& outputPath,
           RunServices& services, const ChangeSink* sink = nullptr)
        : input_(input),
          readPath_(inputPath),
          outputPath_(outputPath),
          services_(services),
          sink_(sink),
          maxLineCount_(MaxLineCount()) {}

    // Writes the cleaned input into `file`, a new file or a stream, and brings a file to the
    // disk; with a `reference`, compares it with that file too, and without an open `file`
    // only compares. Returns Completed; Stopped when the front end asked the run to stop, up
    // to the moment the file is on the disk (`swapFollows`) or up to its last line; or
    // Refused when the input is no GSI file.
    RunOutcome Run(fs::File file, fs::File* reference, bool swapFollows = true) {
        std::error_code ec;
        const fs::FileInfo input = input_.Info(ec);
        if (ec) throw FileOperationError(FileOperation::OpenRead, readPath_, ec);
        // A pipe's size is not known ahead.
        reader_.emplace(input_, input.kind == fs::Kind::Regular ? input.size : 0);
        lines_.emplace(*reader_, outputPath_);
        output_.emplace(std::move(file), reference);
        try {
            if (!Loop()) return RunOutcome::Stopped;
            if (!lines_->IsGsi()) return RunOutcome::Refused;
            ListWaiting();
            output_->Finish();
        } catch (const std::system_error& e) {
            // Read errors were reported by Next(): what remains is the output's.
            throw FileOperationError(FileOperation::WriteOutput, outputPath_, e.code());
        }
        if (!swapFollows) return RunOutcome::Completed;
        return services_.ProcessEvents({reader_->BytesRead(), reader_->TotalBytes()})
                   ? RunOutcome::Completed
                   : RunOutcome::Stopped;
    }

    std::int32_t LineCount() const { return lineCount_; }
    // The values cut and the lines copied unchanged, in RunResult's fields of that name.
    const RunResult& Changes() const { return changes_; }
    bool Differs() const { return output_ && output_->Differs(); }
    bool SameAsReference() const { return output_ && output_->SameAsReference(); }

    // Ends the reading and writing threads and closes the new file, written or not.
    void Release() {
        lines_.reset();
        reader_.reset();
        if (output_) output_->Abandon();
    }

  private:
    // The next line to write; false at the end of the input's data.
    bool Next(InputLines::Line& line) {
        InputLines::Read read;
        try {
            read = lines_->Next(line);
        } catch (const std::system_error& e) {
            throw FileOperationError(FileOperation::Read, readPath_, e.code(),
                                     lines_->LinesRead() + 1);
        }
        if (read == InputLines::Read::TooLong)
            throw FileOperationError(FileOperation::LineTooLong, readPath_, {}, line.number);
        return read == InputLines::Read::Line;
    }

    bool Loop() {
        InputLines::Line line;
        for (;;) {
            if (!services_.ProcessEvents({reader_->BytesRead(), reader_->TotalBytes()}))
                return false;
            // A header goes out in the same pass as the record line after it.
            do {
                if (!Next(line)) return true;
                if (line.kind == InputLines::Kind::Header) output_->WriteLine(line.text);
            } while (line.kind == InputLines::Kind::Header);
            WriteRecord(line.text, line.number);
        }
    }

    // Converts the line (number `lineNumber` of the input) and writes it; keeps count of the
    // values cut and the lines copied unchanged, with the first input line of each.
    void WriteRecord(std::string_view line, std::int64_t lineNumber) {
        if (lineCount_ == maxLineCount_)
            throw FileOperationError(FileOperation::TooManyLines, readPath_, {}, lineNumber);

        const bool star = !line.empty() && line.front() == '*';
        const OutputFormat format = services_.CurrentOutputFormat();
        const bool toGsi16 =
            format == OutputFormat::Gsi16 || (format == OutputFormat::SameAsInput && star);
        char* out = output_->Reserve(MaxConvertedLength(line.size()) + 2);
        LineConversion converted;
        try {
            converted = toGsi16 ? ConvertLineToGSI16(line, out) : ConvertLineToGSI8(line, out);
        } catch (const GsiOverflowError&) {
            throw FileOperationError(FileOperation::LineTooLong, readPath_, {}, lineNumber);
        }
        out[converted.size] = '\r';
        out[converted.size + 1] = '\n';
        output_->Commit(converted.size + 2);
        ++lineCount_;
        lines_->Converted(line, converted);
        if (converted.cutValues > 0 || converted.unchanged)
            Note(line, lineNumber, converted, toGsi16 ? 16 : 8);
    }

    // Counts the changes of one line, with the first input line of each, and lists them.
    // Only the lines whose conversion reported a change come here, so that the others pay
    // nothing for the list; once the result's list is full, cut values are only counted.
    void Note(std::string_view line, std::int64_t number, const LineConversion& converted,
              int target) {
        if (converted.unchanged) {
            if (changes_.unchangedLines == 0) changes_.firstUnchangedLine = number;
            ++changes_.unchangedLines;
            // Until a line shows a word the input may yet prove no GSI file, in which case
            // no line stays: the lines wait, as ranges of consecutive numbers.
            if (!lines_->SawWord()) {
                if (!waiting_.empty() && waiting_.back().second + 1 == number) {
                    ++waiting_.back().second;
                } else {
                    waiting_.emplace_back(number, number);
                }
                return;
            }
            ListWaiting();
            List({number, true, {}});
            return;
        }
        if (changes_.cutValues == 0) changes_.firstCutLine = number;
        changes_.cutValues += converted.cutValues;
        ListWaiting();
        if (!sink_ && changes_.changes.size() >= kMaxListedChanges) {
            changes_.changesLeftOut += converted.cutValues;
            return;
        }
        for (CutValue& cut : ListCutValues(line, target)) List({number, false, std::move(cut)});
    }

    void List(LineChange change) {
        if (sink_) {
            (*sink_)(change);
        } else if (changes_.changes.size() < kMaxListedChanges) {
            changes_.changes.push_back(std::move(change));
        } else {
            ++changes_.changesLeftOut;
        }
    }

    void ListWaiting() {
        for (const auto& [first, last] : waiting_) {
            for (std::int64_t number = first; number <= last; ++number) List({number, true, {}});
        }
        waiting_.clear();
    }

    fs::File& input_;
    const std::string& readPath_;
    const std::string& outputPath_;
    RunServices& services_;
    const ChangeSink* sink_;
    const std::int32_t maxLineCount_;
    std::optional<LineReader> reader_;
    std::optional<InputLines> lines_;
    std::optional<OutputFile> output_;
    std::int32_t lineCount_ = 0;
    RunResult changes_;
    std::vector<std::pair<std::int64_t, std::int64_t>> waiting_;  // unchanged lines, first to last
};

// The services of a stream that only compares: one format throughout, and a stop at the
// first difference or when the front end asks for one.
class Comparison final : public RunServices {
  public:
    Comparison(RunServices& outer, OutputFormat format) : outer_(outer), format_(format) {}

    const Stream* stream = nullptr;
    bool stopped = false;  // the front end asked the run to stop

  private:
    OutputFormat CurrentOutputFormat() override { return format_; }
    MessageAnswer ShowMessage(const Message& message) override {
        return outer_.ShowMessage(message);
    }
    bool ProcessEvents(const Progress& progress) override {
        if (stream->Differs()) return false;
        stopped = !outer_.ProcessEvents(progress);
        return !stopped;
    }
    void MakeProcessDefault() override {}

    RunServices& outer_;
    OutputFormat format_;
};

// Whether `output` is exactly what cleaning `backup` gives in one of the three formats,
// as the run would write it under the output's name. Each try stops at the first
// difference, so an unrelated backup costs a block or two. No answer after a stop.
std::optional<bool> CleanedFrom(fs::File& backup, fs::File& output, const std::string& backupPath,
                                const std::string& outputPath, RunServices& services) {
    for (const OutputFormat format :
         {OutputFormat::SameAsInput, OutputFormat::Gsi8, OutputFormat::Gsi16}) {
        for (fs::File* file : {&backup, &output}) {
            if (const std::error_code ec = file->Rewind())
                throw FileOperationError(FileOperation::QueryFile,
                                         file == &backup ? backupPath : outputPath, ec);
        }
        Comparison comparison(services, format);
        Stream stream(backup, backupPath, outputPath, comparison);
        comparison.stream = &stream;
        try {
            const RunOutcome ran = stream.Run(fs::File(), &output);
            stream.Release();
            if (comparison.stopped) return std::nullopt;
            if (ran == RunOutcome::Completed && stream.SameAsReference()) return true;
        } catch (const FileOperationError& e) {
            // A backup that no run can clean made no output.
            if (e.Operation() != FileOperation::LineTooLong &&
                e.Operation() != FileOperation::TooManyLines)
                throw;
        }
    }
    return false;
}

bool HasNul(const std::string& path) { return path.find('\0') != std::string::npos; }

bool InputFound(const std::string& path) {
    try {
        return FileExists(path);
    } catch (const std::system_error&) {
        return false;  // a path that cannot even be looked at (too long, no access)
    }
}

Message FailureOf(const std::exception& error, const std::string& inputPath, bool temporaryLeft) {
    if (const auto* fileError = dynamic_cast<const FileOperationError*>(&error))
        return FailureMessage(*fileError, temporaryLeft);
    return UnexpectedFailureMessage(inputPath, temporaryLeft);
}

// Refuses an input path that names no file to read, with the message; answers the outcome.
// A stream is read as it is.
std::optional<RunOutcome> RefuseInput(const RunFile& input, RunServices& services) {
    if (input.IsStream()) return std::nullopt;
    // The system would read such a path only up to its NUL, and so name another file.
    if (HasNul(input.path)) {
        services.ShowMessage(NoticeMessage(Notice::NulInName, input.path));
        return RunOutcome::Refused;
    }
    if (!InputFound(input.path)) {
        services.ShowMessage(NoticeMessage(Notice::InputMissing));
        return RunOutcome::InputMissing;
    }
    return std::nullopt;
}

// The input of a run that writes no file of its own: the stream, or the file at its path,
// opened and locked as a run's input is. A closed file, after the message, when there is
// none to read; `outcome` then says why.
fs::File OpenInput(RunFile& input, RunServices& services, RunOutcome& outcome) {
    if (const std::optional<RunOutcome> refused = RefuseInput(input, services)) {
        outcome = *refused;
        return {};
    }
    if (input.IsStream()) return std::move(input.stream);
    std::error_code ec;
    fs::File file = fs::File::OpenForReading(input.path, ec);
    if (ec) throw FileOperationError(FileOperation::OpenRead, input.path, ec);
    if (!file.TryLock(false, ec)) {
        if (ec) throw FileOperationError(FileOperation::QueryFile, input.path, ec);
        services.ShowMessage(NoticeMessage(Notice::InUse, input.path));
        outcome = RunOutcome::Refused;
        return {};
    }
    return file;
}

// A run into the output stream `output`, or without one a check that lists every change to
// `sink`. Neither has a file to put back: a failure or a stop leaves in the stream what was
// written, which the failure's message says.
RunResult RunWithoutFiles(RunFile& input, RunFile* output, RunServices& services,
                          const ChangeSink* sink) {
    const std::string outputName = output ? output->path : std::string();
    fs::File file;
    Stream stream(file, input.path, outputName, services, sink);
    bool writing = false;
    RunOutcome ran = RunOutcome::Failed;
    try {
        file = OpenInput(input, services, ran);
        if (!file.IsOpen()) return {ran};
        writing = output != nullptr;
        ran = stream.Run(output ? std::move(output->stream) : fs::File(), nullptr, false);
        stream.Release();
    } catch (const std::exception& e) {
        stream.Release();
        Message message = FailureOf(e, input.path, false);
        if (writing) AddIncompleteOutput(message, outputName);
        services.ShowMessage(message);
        return {RunOutcome::Failed};
    }
    if (ran == RunOutcome::Stopped) return {RunOutcome::Stopped, stream.LineCount()};
    if (ran == RunOutcome::Refused) {
        Message message = NoticeMessage(Notice::InputNotGsi, input.path);
        if (writing) AddIncompleteOutput(message, outputName);
        services.ShowMessage(message);
        return {RunOutcome::Refused};
    }
    RunResult result = stream.Changes();
    result.lineCount = stream.LineCount();
    result.outcome = RunOutcome::Completed;
    services.ShowMessage(sink ? CheckMessage(result) : ClosingMessage(result, false, ""));
    services.MakeProcessDefault();
    return result;
}

}  // namespace

RunResult CleaningRun(const std::string& inputPath, const std::string& outputPath, bool autoBackup,
                      RunServices& services) {
    return CleaningRun(RunFile{inputPath}, RunFile{outputPath}, autoBackup, services);
}

RunResult CheckRun(RunFile input, RunServices& services, const ChangeSink& onChange) {
    return RunWithoutFiles(input, nullptr, services, &onChange);
}

RunResult CleaningRun(RunFile input, RunFile output, bool autoBackup, RunServices& services) {
    if (output.IsStream()) return RunWithoutFiles(input, &output, services, nullptr);
    const std::string& inputPath = input.path;
    const std::string& outputPath = output.path;
    if (const std::optional<RunOutcome> refused = RefuseInput(input, services)) return {*refused};
    if (HasNul(outputPath)) {
        services.ShowMessage(NoticeMessage(Notice::NulInName, outputPath));
        return {RunOutcome::Refused};
    }
    if (outputPath.empty()) {
        services.ShowMessage(NoticeMessage(Notice::OutputPathEmpty));
        return {RunOutcome::Refused};
    }

    BackupPlan plan;
    try {
        std::error_code ec;
        fs::File in = std::move(input.stream);
        if (!in.IsOpen()) in = fs::File::OpenForReading(inputPath, ec);
        if (ec) throw FileOperationError(FileOperation::OpenRead, inputPath, ec);
        plan =
            BackupExistingOutput(inputPath, outputPath, autoBackup, services, std::move(in),
                                 [&](fs::File& backup, fs::File& existing) {
                                     return CleanedFrom(backup, existing, BackupPathFor(outputPath),
                                                        outputPath, services);
                                 });
    } catch (const std::exception& e) {
        services.ShowMessage(FailureOf(e, inputPath, false));
        return {RunOutcome::Failed};
    }
    switch (plan.outcome) {
        case BackupOutcome::Cancelled:
            return {RunOutcome::Cancelled};
        case BackupOutcome::Refused:
            return {RunOutcome::Refused};
        case BackupOutcome::Stopped:
            return {RunOutcome::Stopped};
        case BackupOutcome::Proceed:
            break;
    }

    Stream stream(plan.input, inputPath, outputPath, services);
    std::string newPath;  // the new output's temporary name while it stands there
    bool unchanged = false;
    try {
        std::error_code ec;
        fs::File file = CreateTemporary(plan.outputPath, newPath, ec);
        if (!ec && plan.outputExists) ec = file.KeepFrom(plan.output);
        if (!ec && plan.outputExists) ec = plan.outputFile.Rewind();
        if (ec) throw FileOperationError(FileOperation::CreateOutput, outputPath, ec);
        const RunOutcome ran =
            stream.Run(std::move(file), plan.outputExists ? &plan.outputFile : nullptr);
        stream.Release();
        if (ran == RunOutcome::Stopped) {
            fs::RemoveFile(newPath);
            return {RunOutcome::Stopped, stream.LineCount()};
        }
        if (ran == RunOutcome::Refused) {
            // Decided at the end, with nothing but the new file written: it goes again.
            const bool temporaryLeft = static_cast<bool>(fs::RemoveFile(newPath));
            newPath.clear();
            services.ShowMessage(
                NoticeMessage(Notice::InputNotGsi, inputPath, fs::Kind::Missing, temporaryLeft));
            return {RunOutcome::Refused};
        }
        // From here on the run finishes: it asks no more whether to stop.
        unchanged = stream.SameAsReference();
        if (unchanged) {
            fs::RemoveFile(newPath);
        } else {
            ReplaceOutput(plan, newPath);
        }
        newPath.clear();
    } catch (const std::exception& e) {
        stream.Release();
        const bool temporaryLeft = !newPath.empty() && fs::RemoveFile(newPath);
        services.ShowMessage(FailureOf(e, inputPath, temporaryLeft));
        return {RunOutcome::Failed};
    }
    RunResult result = stream.Changes();
    result.lineCount = stream.LineCount();
    result.outcome = RunOutcome::Completed;

    services.ShowMessage(ClosingMessage(
        result, unchanged, plan.backupIsOriginal && !unchanged ? plan.backupPath : ""));
    services.MakeProcessDefault();
    return result;
}

}  // namespace tessavo
