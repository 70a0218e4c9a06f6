// Tessavo - cleaning of Leica GSI measurement files.
#include "BackupExistingOutput.h"

#include <filesystem>
#include <system_error>

#include "RunFailure.h"
#include "modFileHandling.h"

namespace tessavo {

namespace {

// Whether two paths name one file ("./", "..", links); false when either is missing.
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    const bool same = std::filesystem::equivalent(ToFsPath(a), ToFsPath(b), ec);
    return !ec && same;
}

MessageAnswer Warn(RunServices& services, std::vector<std::string> lines, MessageButtons buttons) {
    const MessageKind kind =
        buttons == MessageButtons::OkCancel ? MessageKind::Question : MessageKind::Refusal;
    return services.ShowMessage({kind, std::move(lines), MessageIcon::Warning, buttons, "Let op"});
}

}  // namespace

std::string BackupPathFor(const std::string& outputPath) {
    // Directory part, file name and ".bak": for every path that is the path itself with
    // ".bak" appended, and so it is for a bare file name too.
    return outputPath + ".bak";
}

BackupResult BackupExistingOutput(const std::string& inputPath, const std::string& outputPath,
                                  bool autoBackup, RunServices& services) {
    BackupResult result;
    if (!FileExists(outputPath)) {
        result.outcome = BackupOutcome::Proceed;
        result.readPath = inputPath;
        return result;
    }
    result.backupPath = BackupPathFor(outputPath);
    const std::string& backupPath = result.backupPath;

    // Replacing the backup would delete the very file that is to be read.
    if (SameFile(inputPath, backupPath)) {
        Warn(services,
             {"Invoerbestand is het backupbestand van het uitvoerbestand !",
              "Bewerking is niet mogelijk."},
             MessageButtons::Ok);
        result.outcome = BackupOutcome::Refused;
        return result;
    }
    // Cleaning in place: the input becomes the backup and is read from there. Decided
    // before the rename, while both names still lead to the file.
    const bool inPlace = outputPath == inputPath || SameFile(outputPath, inputPath);

    if (!autoBackup) {
        if (Warn(services,
                 {"Uitvoerbestand bestaat reeds !",
                  "Backup zal worden bewaard onder de naam:", backupPath},
                 MessageButtons::OkCancel) == MessageAnswer::Cancel) {
            result.outcome = BackupOutcome::Stop;
            return result;
        }
        if (FileExists(backupPath) &&
            Warn(services, {"Backupbestand bestaat reeds !", "Backup zal worden overschreven."},
                 MessageButtons::OkCancel) == MessageAnswer::Cancel) {
            result.outcome = BackupOutcome::Stop;
            return result;
        }
    }

    std::error_code ec;
    if (FileExists(backupPath)) {
        std::filesystem::remove(ToFsPath(backupPath), ec);
        if (ec) throw FileOperationError(FileOperation::DeleteBackup, backupPath, ec);
    }
    std::filesystem::rename(ToFsPath(outputPath), ToFsPath(backupPath), ec);
    if (ec) throw FileOperationError(FileOperation::RenameToBackup, backupPath, ec);

    result.outcome = BackupOutcome::Proceed;
    result.backupMade = true;
    result.readPath = inPlace ? backupPath : inputPath;
    return result;
}

}  // namespace tessavo
