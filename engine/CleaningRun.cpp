// Tessavo - cleaning of Leica GSI measurement files.
#include "CleaningRun.h"

#include <filesystem>
#include <optional>

#include "BackupExistingOutput.h"
#include "RunFailure.h"
#include "TextFiles.h"
#include "modFileHandling.h"
#include "modGSI.h"

namespace tessavo {

namespace {

constexpr std::string_view kRawHeader = "Leica TPS-1100 Series";

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The first line is a record line when it begins with "*", "11" or "41"; anything else
// there, an empty line included, is a header that is copied unchanged.
bool IsRecordStart(std::string_view line) {
    return StartsWith(line, "*") || StartsWith(line, "11") || StartsWith(line, "41");
}

bool HasRawExtension(const std::string& path) {
    std::string extension;
    try {
        extension = GetFileExtension(path);
    } catch (const std::invalid_argument&) {
        return false;  // no "." at all: certainly not RAW
    }
    if (extension.size() != 3) return false;
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return extension == "RAW";
}

// The message for a failed run; anything but a file operation (memory running out, say)
// gets a general one.
std::vector<std::string> FailureLines(const std::exception& error, const std::string& inputPath) {
    if (const auto* fileError = dynamic_cast<const FileOperationError*>(&error)) {
        return FailureMessageLines(*fileError);
    }
    return {"Onverwachte fout bij het opschonen van:", inputPath, "Bewerking is afgebroken."};
}

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

// The streaming part of a run: both files open, one line at a time.
class Stream {
  public:
    Stream(const std::string& readPath, const std::string& outputPath, RunServices& services,
           RunLimits limits)
        : readPath_(readPath), outputPath_(outputPath), services_(services), limits_(limits) {}

    // Returns false when the window asked the run to stop.
    bool Run() {
        try {
            reader_.emplace(readPath_);
        } catch (const std::system_error& e) {
            throw FileOperationError(FileOperation::OpenRead, readPath_, e.code());
        }
        try {
            output_.emplace(outputPath_);
        } catch (const std::system_error& e) {
            throw FileOperationError(FileOperation::CreateOutput, outputPath_, e.code());
        }
        try {
            const bool completed = Loop();
            output_->Close();
            reader_->Close();
            return completed;
        } catch (const std::system_error& e) {
            // Read errors were reported by Next(): what remains is the output's.
            throw FileOperationError(FileOperation::WriteOutput, outputPath_, e.code());
        }
    }

    std::int32_t lineCount() const { return lineCount_; }
    // The values cut and the lines copied unchanged, in RunResult's fields of that name.
    const RunResult& changes() const { return changes_; }

    // After a failure: closes both files and removes the output when this run created it.
    // Returns false when that removal failed.
    bool Discard() {
        reader_.reset();
        if (!output_) return true;
        const bool ours = output_->createdNew();
        output_->Abandon();
        output_.reset();
        if (!ours) return true;
        std::error_code ec;
        const auto path = ToFsPath(outputPath_);
        if (std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::regular)
            return true;
        return std::filesystem::remove(path, ec) && !ec;
    }

  private:
    bool Next(std::string_view& line) {
        LineReader::Status status;
        try {
            status = reader_->Next(line);
        } catch (const std::system_error& e) {
            throw FileOperationError(FileOperation::Read, readPath_, e.code(), lineNumber_ + 1);
        }
        if (status == LineReader::Status::End) return false;
        ++lineNumber_;
        if (status == LineReader::Status::TooLong)
            throw FileOperationError(FileOperation::LineTooLong, readPath_, {}, lineNumber_);
        return true;
    }

    bool Loop() {
        std::string_view line;
        for (;;) {
            if (!services_.ProcessEvents({reader_->BytesRead(), reader_->TotalBytes()}))
                return false;
            if (!Next(line)) return true;
            if (lineNumber_ == 1) {
                if (!IsRecordStart(line)) {
                    output_->WriteLine(line);
                    if (!Next(line)) return true;
                } else if (HasRawExtension(outputPath_)) {
                    output_->WriteLine(kRawHeader);
                }
            }
            WriteRecord(line);
        }
    }

    // Converts the line and writes it; keeps count of the values cut and the lines copied
    // unchanged, with the first input line of each.
    void WriteRecord(std::string_view line) {
        if (lineCount_ == limits_.maxLineCount)
            throw FileOperationError(FileOperation::TooManyLines, readPath_, {}, lineNumber_);

        const bool star = !line.empty() && line.front() == '*';
        const OutputFormat format = services_.CurrentOutputFormat();
        const bool toGsi16 =
            format == OutputFormat::Gsi16 || (format == OutputFormat::SameAsInput && star);
        char* out = output_->Reserve(MaxConvertedLength(line.size()) + 2);
        LineConversion converted;
        try {
            converted = toGsi16 ? ConvertLineToGSI16(line, out) : ConvertLineToGSI8(line, out);
        } catch (const GsiOverflowError&) {
            throw FileOperationError(FileOperation::LineTooLong, readPath_, {}, lineNumber_);
        }
        out[converted.size] = '\r';
        out[converted.size + 1] = '\n';
        output_->Commit(converted.size + 2);
        ++lineCount_;
        if (converted.cutValues > 0) {
            if (changes_.cutValues == 0) changes_.firstCutLine = lineNumber_;
            changes_.cutValues += converted.cutValues;
        }
        if (converted.unchanged) {
            if (changes_.unchangedLines == 0) changes_.firstUnchangedLine = lineNumber_;
            ++changes_.unchangedLines;
        }
    }

    const std::string& readPath_;
    const std::string& outputPath_;
    RunServices& services_;
    RunLimits limits_;
    std::optional<LineReader> reader_;
    std::optional<OutputFile> output_;
    std::int64_t lineNumber_ = 0;
    std::int32_t lineCount_ = 0;
    RunResult changes_;
};

}  // namespace

RunResult CleaningRun(const std::string& inputPath, const std::string& outputPath, bool autoBackup,
                      RunServices& services, RunLimits limits) {
    bool inputFound = false;
    try {
        inputFound = FileExists(inputPath);
    } catch (const std::filesystem::filesystem_error&) {
        // A path that cannot even be queried (too long, no access) names no input file.
    }
    if (!inputFound) {
        ShowWarning(services, MessageKind::Refusal,
                    {"Invoerbestand niet gevonden !", "Bewerking is niet mogelijk."});
        return {RunOutcome::InputMissing, 0};
    }

    BackupResult backup;
    try {
        try {
            backup = BackupExistingOutput(inputPath, outputPath, autoBackup, services);
        } catch (const std::filesystem::filesystem_error& e) {
            throw FileOperationError(FileOperation::QueryFile,
                                     reinterpret_cast<const char*>(e.path1().u8string().c_str()),
                                     e.code());
        }
    } catch (const std::exception& e) {
        ShowWarning(services, MessageKind::Failure, FailureLines(e, inputPath));
        return {RunOutcome::Failed, 0};
    }
    if (backup.outcome == BackupOutcome::Stop) return {RunOutcome::Cancelled, 0};
    if (backup.outcome == BackupOutcome::Refused) return {RunOutcome::Refused, 0};

    Stream stream(backup.readPath, outputPath, services, limits);
    bool completed = false;
    try {
        completed = stream.Run();
    } catch (const std::exception& e) {
        // Put everything back: no partial output of ours, the original under its own name.
        std::vector<std::string> lines = FailureLines(e, inputPath);
        if (!stream.Discard()) {
            lines.insert(lines.end() - 1,
                         "Het onvolledige uitvoerbestand kon niet worden verwijderd.");
        }
        if (backup.backupMade) {
            std::error_code ec;
            std::filesystem::rename(ToFsPath(backup.backupPath), ToFsPath(outputPath), ec);
            if (ec) {
                lines.insert(lines.end() - 1, "Het oorspronkelijke bestand staat onder:");
                lines.insert(lines.end() - 1, backup.backupPath);
            }
        }
        ShowWarning(services, MessageKind::Failure, std::move(lines));
        return {RunOutcome::Failed, 0};
    }
    RunResult result = stream.changes();
    result.lineCount = stream.lineCount();
    result.outcome = completed ? RunOutcome::Completed : RunOutcome::Stopped;
    if (!completed) return result;

    services.ShowMessage(ClosingMessage(result));
    services.MakeProcessDefault();
    return result;
}

}  // namespace tessavo
