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
// written to a new file, or only compared with an existing one.
class Stream {
  public:
    Stream(fs::File& input, const std::string& inputPath, const std::string& outputPath,
           RunServices& services)
        : input_(input),
          readPath_(inputPath),
          outputPath_(outputPath),
          services_(services),
          maxLineCount_(MaxLineCount()) {}

    // Writes the cleaned input into `file`, a new file, and brings it to the disk; with a
    // `reference`, compares it with that file too, and without an open `file` only compares.
    // Returns Completed; Stopped when the front end asked the run to stop, up to the moment
    // the file is on the disk; or Refused when the input is no GSI file.
    RunOutcome Run(fs::File file, fs::File* reference) {
        std::error_code ec;
        const std::uint64_t size = input_.Info(ec).size;
        if (ec) throw FileOperationError(FileOperation::OpenRead, readPath_, ec);
        reader_.emplace(input_, size);
        lines_.emplace(*reader_, outputPath_);
        output_.emplace(std::move(file), reference);
        try {
            if (!Loop()) return RunOutcome::Stopped;
            if (!lines_->IsGsi()) return RunOutcome::Refused;
            output_->Finish();
        } catch (const std::system_error& e) {
            // Read errors were reported by Next(): what remains is the output's.
            throw FileOperationError(FileOperation::WriteOutput, outputPath_, e.code());
        }
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
        if (converted.cutValues > 0) {
            if (changes_.cutValues == 0) changes_.firstCutLine = lineNumber;
            changes_.cutValues += converted.cutValues;
        }
        if (converted.unchanged) {
            if (changes_.unchangedLines == 0) changes_.firstUnchangedLine = lineNumber;
            ++changes_.unchangedLines;
        }
    }

    fs::File& input_;
    const std::string& readPath_;
    const std::string& outputPath_;
    RunServices& services_;
    const std::int32_t maxLineCount_;
    std::optional<LineReader> reader_;
    std::optional<InputLines> lines_;
    std::optional<OutputFile> output_;
    std::int32_t lineCount_ = 0;
    RunResult changes_;
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

}  // namespace

RunResult CleaningRun(const std::string& inputPath, const std::string& outputPath, bool autoBackup,
                      RunServices& services) {
    // The system would read such a path only up to its NUL, and so name another file.
    for (const std::string* path : {&inputPath, &outputPath}) {
        if (HasNul(*path)) {
            services.ShowMessage(NoticeMessage(Notice::NulInName, *path));
            return {RunOutcome::Refused};
        }
    }
    if (!InputFound(inputPath)) {
        services.ShowMessage(NoticeMessage(Notice::InputMissing));
        return {RunOutcome::InputMissing};
    }
    if (outputPath.empty()) {
        services.ShowMessage(NoticeMessage(Notice::OutputPathEmpty));
        return {RunOutcome::Refused};
    }

    BackupPlan plan;
    try {
        std::error_code ec;
        fs::File input = fs::File::OpenForReading(inputPath, ec);
        if (ec) throw FileOperationError(FileOperation::OpenRead, inputPath, ec);
        plan = BackupExistingOutput(
            inputPath, outputPath, autoBackup, services, std::move(input),
            [&](fs::File& backup, fs::File& output) {
                return CleanedFrom(backup, output, BackupPathFor(outputPath), outputPath, services);
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
