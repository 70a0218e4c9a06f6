// SPDX-License-Identifier: GPL-3.0-or-later
// CleaningRun: one input streamed line by line into a new output beside the old one.
#include "CleaningRun.h"

#include <optional>

#include "BackupExistingOutput.h"
#include "InputLines.h"
#include "RunFailure.h"
#include "TextFiles.h"
#include "modFileHandling.h"
#include "modGSI.h"

namespace tessavo {

namespace {

// The message for a failed run; anything but a file operation (memory running out, say)
// gets a general one.
std::vector<std::string> FailureLines(const std::exception& error, const std::string& inputPath) {
    if (const auto* fileError = dynamic_cast<const FileOperationError*>(&error)) {
        return FailureMessageLines(*fileError);
    }
    return {"Onverwachte fout bij het opschonen van:", inputPath, "Bewerking is afgebroken."};
}

const char* const kTemporaryFileLeft =
    "Een tijdelijk bestand naast het uitvoerbestand kon niet worden verwijderd.";

void ShowWarning(RunServices& services, MessageKind kind, std::vector<std::string> lines) {
    services.ShowMessage(
        {kind, std::move(lines), MessageIcon::Warning, MessageButtons::Ok, "Let op"});
}

// The closing message of a completed run. Values cut to the output's width and lines copied
// unchanged are changes beyond the form, which the user has to hear about.
Message ClosingMessage(const RunResult& result) {
    if (result.lineCount == 0) {
        return {MessageKind::Report,
                {"GSI bestand is leeg !"},
                MessageIcon::Warning,
                MessageButtons::Ok,
                std::nullopt};
    }
    Message message{MessageKind::Report,
                    {"Opgeschoond GSI bestand is gereed",
                     "Aantal meetregels:  " + std::to_string(result.lineCount)},
                    MessageIcon::None,
                    MessageButtons::Ok,
                    std::nullopt};
    if (result.cutValues > 0) {
        message.lines.push_back("Ingekorte waarden (te lang voor het uitvoerformaat): " +
                                std::to_string(result.cutValues) + ", eerste in regel " +
                                std::to_string(result.firstCutLine));
        message.icon = MessageIcon::Warning;
    }
    if (result.unchangedLines > 0) {
        message.lines.push_back("Ongewijzigde regels (niet te lezen als GSI woorden): " +
                                std::to_string(result.unchangedLines) + ", eerste is regel " +
                                std::to_string(result.firstUnchangedLine));
        message.icon = MessageIcon::Warning;
    }
    return message;
}

// The streaming part of a run: the input read where it is, the new output written under
// a temporary name beside the output.
class Stream {
  public:
    Stream(fs::File& input, const std::string& inputPath, const std::string& outputPath,
           RunServices& services, const RunTestHooks& hooks)
        : input_(input),
          readPath_(inputPath),
          outputPath_(outputPath),
          services_(services),
          limits_(hooks) {}

    // Creates the new file with the given permissions (none: a new output's own), writes
    // the cleaned input into it and brings it to the disk. Returns Completed, Stopped when
    // the front end asked the run to stop, or Refused when the input is no GSI file; the
    // new file then stays as it is, to be discarded.
    RunOutcome Run(std::optional<std::uint32_t> permissions) {
        fs::File file = CreateNewFile();
        if (permissions) {
            if (const std::error_code ec = file.SetPermissions(*permissions))
                throw FileOperationError(FileOperation::CreateOutput, outputPath_, ec);
        }
        std::error_code ec;
        const std::uint64_t size = input_.Info(ec).size;
        if (ec) throw FileOperationError(FileOperation::OpenRead, readPath_, ec);
        reader_.emplace(input_, size);
        lines_.emplace(*reader_, outputPath_);
        output_.emplace(std::move(file), limits_.writeFault);
        try {
            if (!Loop()) return RunOutcome::Stopped;
            if (!lines_->IsGsi()) return RunOutcome::Refused;
            output_->Finish();
        } catch (const std::system_error& e) {
            // Read errors were reported by Next(): what remains is the output's.
            throw FileOperationError(FileOperation::WriteOutput, outputPath_, e.code());
        }
        // The new name must be on the disk before the renames that rely on it.
        if (const std::error_code synced = fs::SyncFolderOf(newPath_))
            throw FileOperationError(FileOperation::WriteOutput, outputPath_, synced);
        return RunOutcome::Completed;
    }

    const std::string& newPath() const { return newPath_; }
    std::int32_t lineCount() const { return lineCount_; }
    // The values cut and the lines copied unchanged, in RunResult's fields of that name.
    const RunResult& changes() const { return changes_; }

    // After a failure or a stop: closes the new file and removes it. Returns false when
    // that removal failed.
    bool Discard() {
        lines_.reset();
        reader_.reset();
        if (output_) output_->Abandon();
        output_.reset();
        if (newPath_.empty()) return true;
        const bool removed = !fs::RemoveFile(newPath_);
        newPath_.clear();
        return removed;
    }

  private:
    fs::File CreateNewFile() {
        std::error_code ec;
        // A leftover of a killed run, or another run's file, may hold a name: draw again.
        for (int attempt = 0; attempt < 16; ++attempt) {
            const std::string path = TemporaryNameFor(outputPath_);
            fs::File file = fs::File::CreateNew(path, ec);
            if (!ec) {
                newPath_ = path;
                return file;
            }
            if (ec != std::errc::file_exists) break;
        }
        throw FileOperationError(FileOperation::CreateOutput, outputPath_, ec);
    }

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
        if (lineCount_ == limits_.maxLineCount)
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
    const RunTestHooks& limits_;
    std::string newPath_;
    std::optional<LineReader> reader_;
    std::optional<InputLines> lines_;
    std::optional<OutputFile> output_;
    std::int32_t lineCount_ = 0;
    RunResult changes_;
};

bool HasNul(const std::string& path) { return path.find('\0') != std::string::npos; }

// A path as the user can read it in a message: a NUL shown as the symbol for it.
std::string Visible(const std::string& path) {
    std::string shown;
    for (char c : path) {
        if (c == '\0') {
            shown += "\xE2\x90\x80";
        } else {
            shown += c;
        }
    }
    return shown;
}

}  // namespace

RunResult CleaningRun(const std::string& inputPath, const std::string& outputPath, bool autoBackup,
                      RunServices& services, const RunTestHooks& hooks) {
    // The system would read such a path only up to its NUL, and so name another file.
    for (const std::string* path : {&inputPath, &outputPath}) {
        if (HasNul(*path)) {
            ShowWarning(services, MessageKind::Refusal,
                        {"Ongeldig teken (NUL) in de naam:", Visible(*path),
                         "Bewerking is niet mogelijk."});
            return {RunOutcome::Refused};
        }
    }
    bool inputFound = false;
    try {
        inputFound = FileExists(inputPath);
    } catch (const std::system_error&) {
        // A path that cannot even be looked at (too long, no access) names no input file.
    }
    if (!inputFound) {
        ShowWarning(services, MessageKind::Refusal,
                    {"Invoerbestand niet gevonden !", "Bewerking is niet mogelijk."});
        return {RunOutcome::InputMissing};
    }

    fs::File input;
    BackupResult backup;
    try {
        std::error_code ec;
        input = fs::File::OpenForReading(inputPath, ec);
        if (ec) throw FileOperationError(FileOperation::OpenRead, inputPath, ec);
        backup = BackupExistingOutput(inputPath, outputPath, autoBackup, services, input);
    } catch (const std::exception& e) {
        ShowWarning(services, MessageKind::Failure, FailureLines(e, inputPath));
        return {RunOutcome::Failed};
    }
    if (backup.outcome == BackupOutcome::Stop) return {RunOutcome::Cancelled};
    if (backup.outcome == BackupOutcome::Refused) return {RunOutcome::Refused};

    Stream stream(input, inputPath, outputPath, services, hooks);
    try {
        const std::optional<std::uint32_t> permissions =
            backup.outputExists ? std::optional(backup.outputPermissions) : std::nullopt;
        const RunOutcome ending = stream.Run(permissions);
        if (ending == RunOutcome::Refused) {
            // Decided at the end, with nothing but the new file written: it goes again.
            std::vector<std::string> lines{"Invoerbestand is geen GSI bestand:", inputPath,
                                           "Bewerking is niet mogelijk."};
            if (!stream.Discard()) lines.insert(lines.end() - 1, kTemporaryFileLeft);
            ShowWarning(services, MessageKind::Refusal, std::move(lines));
            return {RunOutcome::Refused};
        }
        if (ending == RunOutcome::Stopped) {
            stream.Discard();
            return {RunOutcome::Stopped, stream.lineCount()};
        }
        ReplaceOutput(backup, outputPath, stream.newPath(),
                      hooks.move ? hooks.move : MoveFile(fs::MoveNoReplace));
    } catch (const std::exception& e) {
        std::vector<std::string> lines = FailureLines(e, inputPath);
        if (!stream.Discard()) lines.insert(lines.end() - 1, kTemporaryFileLeft);
        ShowWarning(services, MessageKind::Failure, std::move(lines));
        return {RunOutcome::Failed};
    }
    RunResult result = stream.changes();
    result.lineCount = stream.lineCount();
    result.outcome = RunOutcome::Completed;

    services.ShowMessage(ClosingMessage(result));
    services.MakeProcessDefault();
    return result;
}

}  // namespace tessavo
