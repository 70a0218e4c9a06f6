// SPDX-License-Identifier: GPL-3.0-or-later
// BackupExistingOutput: the checks, locks and questions before a run, and the swap after it.
#include "BackupExistingOutput.h"

#include <random>

#include "RunFailure.h"

namespace tessavo {

namespace {

const char* const kNotPossible = "Bewerking is niet mogelijk.";

MessageAnswer Ask(RunServices& services, std::vector<std::string> lines) {
    return services.ShowMessage({MessageKind::Question, std::move(lines), MessageIcon::Warning,
                                 MessageButtons::OkCancel, "Let op"});
}

void Refuse(RunServices& services, std::vector<std::string> lines) {
    services.ShowMessage({MessageKind::Refusal, std::move(lines), MessageIcon::Warning,
                          MessageButtons::Ok, "Let op"});
}

// What stands in the way, as the end of "Op die plaats staat ...".
const char* WhatStands(fs::Kind kind) {
    switch (kind) {
        case fs::Kind::Directory:
            return "een map.";
        case fs::Kind::Device:
            return "een apparaat.";
        case fs::Kind::Fifo:
            return "een pipe (FIFO).";
        case fs::Kind::Socket:
            return "een socket.";
        case fs::Kind::BrokenLink:
            return "een verwijzing die nergens heen leidt.";
        case fs::Kind::Missing:
        case fs::Kind::Regular:
            break;
    }
    return "iets anders.";
}

fs::FileInfo InspectOrThrow(const std::string& path) {
    std::error_code ec;
    const fs::FileInfo info = fs::Inspect(path, ec);
    if (ec) throw FileOperationError(FileOperation::QueryFile, path, ec);
    return info;
}

// Locks `file`; false, after the refusal, when another run holds it.
bool Lock(fs::File& file, bool exclusive, const std::string& path, RunServices& services) {
    std::error_code ec;
    if (file.TryLock(exclusive, ec)) return true;
    if (ec) throw FileOperationError(FileOperation::QueryFile, path, ec);
    Refuse(services, {"Bestand is in gebruik door een andere bewerking:", path});
    return false;
}

// Opens an existing file only to lock it.
bool OpenAndLock(fs::File& file, const std::string& path, RunServices& services) {
    std::error_code ec;
    file = fs::File::OpenForReading(path, ec);
    if (ec) throw FileOperationError(FileOperation::QueryFile, path, ec);
    return Lock(file, true, path, services);
}

// Where a file stands that a failed replacement could not put back.
void TellWhereabouts(FileOperationError& error, const char* what, const std::string& path) {
    error.AddNote(std::string(what));
    error.AddNote(path);
}

}  // namespace

std::string BackupPathFor(const std::string& outputPath) {
    // Directory part, file name and ".bak": for every path that is the path itself with
    // ".bak" appended, and so it is for a bare file name too.
    return outputPath + ".bak";
}

std::string TemporaryNameFor(const std::string& path) {
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    std::string name = path + ".";
    for (int i = 0; i < 6; ++i) name += kAlphabet[pick(random)];
    return name + ".tmp";
}

BackupResult BackupExistingOutput(const std::string& inputPath, const std::string& outputPath,
                                  bool autoBackup, RunServices& services, fs::File& input) {
    BackupResult result;
    result.outcome = BackupOutcome::Refused;

    const fs::FileInfo output = InspectOrThrow(outputPath);
    if (output.kind != fs::Kind::Missing && output.kind != fs::Kind::Regular) {
        Refuse(services,
               {"Uitvoerbestand is geen gewoon bestand:", outputPath,
                std::string("Op die plaats staat ") + WhatStands(output.kind), kNotPossible});
        return result;
    }
    std::error_code ec;
    const fs::FileInfo in = input.Info(ec);
    if (ec) throw FileOperationError(FileOperation::QueryFile, inputPath, ec);

    if (output.kind == fs::Kind::Missing) {
        // A backup from an earlier run is left alone.
        if (!Lock(input, false, inputPath, services)) return result;
        result.outcome = BackupOutcome::Proceed;
        return result;
    }

    result.outputExists = true;
    result.outputPermissions = output.permissions;
    result.backupPath = BackupPathFor(outputPath);
    const std::string& backupPath = result.backupPath;
    const fs::FileInfo backup = InspectOrThrow(backupPath);
    result.backupExists = backup.kind == fs::Kind::Regular;
    if (result.backupExists && backup.id == in.id) {
        // Replacing the backup would delete the very file that is to be read.
        Refuse(services,
               {"Invoerbestand is het backupbestand van het uitvoerbestand !", kNotPossible});
        return result;
    }
    if (result.backupExists && backup.id == output.id) {
        Refuse(services, {"Uitvoerbestand en backupbestand zijn hetzelfde bestand:", outputPath,
                          kNotPossible});
        return result;
    }
    if (backup.kind != fs::Kind::Missing && !result.backupExists) {
        Refuse(services,
               {"Backup kan niet worden gemaakt van:", outputPath,
                std::string("Op de plaats van de backup staat ") + WhatStands(backup.kind),
                kNotPossible});
        return result;
    }

    // In place the input is the output: one exclusive lock on it.
    const bool inPlace = output.id == in.id;
    if (!Lock(input, inPlace, inputPath, services)) return result;
    if (!inPlace && !OpenAndLock(result.outputLock, outputPath, services)) return result;
    if (result.backupExists && !OpenAndLock(result.backupLock, backupPath, services)) return result;

    result.outcome = BackupOutcome::Stop;
    if (!autoBackup) {
        if (Ask(services, {"Uitvoerbestand bestaat reeds !",
                           "Backup zal worden bewaard onder de naam:", backupPath}) ==
            MessageAnswer::Cancel) {
            return result;
        }
        if (result.backupExists &&
            Ask(services, {"Backupbestand bestaat reeds !", "Backup zal worden overschreven."}) ==
                MessageAnswer::Cancel) {
            return result;
        }
    }
    result.outcome = BackupOutcome::Proceed;
    return result;
}

void ReplaceOutput(const BackupResult& plan, const std::string& outputPath,
                   const std::string& newPath, const MoveFile& move) {
    if (!plan.outputExists) {
        // Another run may have put a file at the output path since this one began; it is
        // never replaced.
        if (const std::error_code ec = move(newPath, outputPath)) {
            throw FileOperationError(ec == std::errc::file_exists ? FileOperation::OutputInUse
                                                                  : FileOperation::ReplaceOutput,
                                     outputPath, ec);
        }
        fs::SyncFolderOf(outputPath);
        return;
    }
    const std::string& backupPath = plan.backupPath;
    std::string aside;
    if (plan.backupExists) {
        aside = TemporaryNameFor(backupPath);
        if (const std::error_code ec = move(backupPath, aside))
            throw FileOperationError(FileOperation::DeleteBackup, backupPath, ec);
    }
    // Puts the older backup back after a later step failed.
    auto restoreBackup = [&](FileOperationError& error) {
        if (!aside.empty() && move(aside, backupPath)) {
            TellWhereabouts(error, "Het oude backupbestand staat onder:", aside);
        }
    };
    if (const std::error_code ec = move(outputPath, backupPath)) {
        FileOperationError error(FileOperation::RenameToBackup, backupPath, ec);
        restoreBackup(error);
        throw error;
    }
    if (const std::error_code ec = move(newPath, outputPath)) {
        FileOperationError error(FileOperation::ReplaceOutput, outputPath, ec);
        if (move(backupPath, outputPath)) {
            TellWhereabouts(error, "Het oorspronkelijke uitvoerbestand staat onder:", backupPath);
            if (!aside.empty()) {
                TellWhereabouts(error, "Het oude backupbestand staat onder:", aside);
            }
        } else {
            restoreBackup(error);
        }
        throw error;
    }
    // The run is complete; an older backup that cannot be deleted only stays as a
    // temporary file beside it.
    if (!aside.empty()) fs::RemoveFile(aside);
    fs::SyncFolderOf(outputPath);
}

}  // namespace tessavo
