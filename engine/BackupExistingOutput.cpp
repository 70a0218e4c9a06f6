// SPDX-License-Identifier: GPL-3.0-or-later
// BackupExistingOutput: the checks, locks and questions before a run, and the swap after it.
#include "BackupExistingOutput.h"

#include <memory>
#include <random>

#include "RunMessages.h"

namespace tessavo {

namespace {

void Show(RunServices& services, Notice notice, const std::string& path = {},
          fs::Kind what = fs::Kind::Missing) {
    services.ShowMessage(NoticeMessage(notice, path, what));
}

bool Ask(RunServices& services, Notice notice, const std::string& path = {}) {
    return services.ShowMessage(NoticeMessage(notice, path)) == MessageAnswer::Ok;
}

fs::FileInfo InspectOrThrow(const std::string& path, const std::string& shown) {
    std::error_code ec;
    const fs::FileInfo info = fs::Inspect(path, ec);
    if (ec) throw FileOperationError(FileOperation::QueryFile, shown, ec);
    return info;
}

// Locks `file`; false, after the refusal, when another run holds it.
bool Lock(fs::File& file, bool exclusive, const std::string& shown, RunServices& services) {
    std::error_code ec;
    if (file.TryLock(exclusive, ec)) return true;
    if (ec) throw FileOperationError(FileOperation::QueryFile, shown, ec);
    Show(services, Notice::InUse, shown);
    return false;
}

// Opens the existing file `expected` found at `path`, to lock it and to read it later.
// Another file found there now (renamed in between by someone else) is another run's.
bool OpenExisting(fs::File& file, const std::string& path, const fs::FileInfo& expected,
                  const std::string& shown, RunServices& services) {
    std::error_code ec;
    file = fs::File::OpenToReplace(path, ec);
    if (ec) throw FileOperationError(FileOperation::QueryFile, shown, ec);
    const fs::FileInfo opened = file.Info(ec);
    if (ec) throw FileOperationError(FileOperation::QueryFile, shown, ec);
    if (opened.id == expected.id) return true;
    Show(services, Notice::InUse, shown);
    return false;
}

// Closes this run's own handle on a file before the file is replaced, where the system
// replaces no open file.
void ReleaseForReplace(fs::File& file) {
    if (!fs::kOpenFilesCanBeReplaced) file.Close();
}

// Copies the open file `from` into the new file `to` and brings it to the disk.
std::error_code CopyInto(fs::File& from, fs::File& to) {
    if (const std::error_code ec = from.Rewind()) return ec;
    const std::size_t kChunk = std::size_t{1} << 20;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kChunk);
    std::error_code ec;
    for (;;) {
        const std::size_t got = from.Read(buffer.get(), kChunk, ec);
        if (ec) return ec;
        if (got == 0) break;
        to.Write(buffer.get(), got, ec);
        if (ec) return ec;
    }
    if ((ec = to.Sync())) return ec;
    return to.Close();
}

// Gives the old output a second name beside it, from which it takes the backup's place:
// a hard link, or where the file system has none, a copy brought to the disk. Answers
// that name. A link whose file turns out not to be the output (someone else renamed files
// in between) is another run's doing.
std::string SecondName(BackupPlan& plan) {
    std::string path = TemporaryNameFor(plan.backupPath);
    std::error_code ec = fs::Link(plan.outputPath, path);
    for (int attempt = 0; ec == std::errc::file_exists && attempt < 16; ++attempt) {
        path = TemporaryNameFor(plan.backupPath);
        ec = fs::Link(plan.outputPath, path);
    }
    if (!ec) {
        const fs::FileInfo linked = fs::Inspect(path, ec);
        if (!ec && linked.id == plan.output.id) return path;
        fs::RemoveFile(path);
        if (ec) throw FileOperationError(FileOperation::MakeBackup, plan.shownOutput, ec);
        throw FileOperationError(FileOperation::OutputInUse, plan.shownOutput, {});
    }
    if (ec != std::errc::operation_not_supported)
        throw FileOperationError(FileOperation::MakeBackup, plan.shownOutput, ec);

    fs::File copy = CreateTemporary(plan.backupPath, path, ec);
    if (!ec) ec = copy.KeepFrom(plan.output);
    if (!ec) ec = CopyInto(plan.outputFile, copy);
    if (ec) {
        copy.Close();
        if (!path.empty()) fs::RemoveFile(path);
        throw FileOperationError(FileOperation::MakeBackup, plan.shownOutput, ec);
    }
    return path;
}

// The old output takes the backup's place, replacing the older backup in one step (or
// taking a free place), and that is on the disk before the output is replaced.
void MakeBackup(BackupPlan& plan) {
    const std::string second = SecondName(plan);
    if (plan.backupExists) {
        ReleaseForReplace(plan.backupFile);
        if (const std::error_code ec = fs::Replace(second, plan.backupPath)) {
            fs::RemoveFile(second);
            throw FileOperationError(FileOperation::ReplaceBackup, plan.backupPath, ec);
        }
    } else if (const std::error_code ec = fs::MoveNoReplace(second, plan.backupPath)) {
        // Nothing stood there when the run began; what another run put there since is
        // never replaced.
        fs::RemoveFile(second);
        if (ec == std::errc::file_exists)
            throw FileOperationError(FileOperation::OutputInUse, plan.backupPath, ec);
        throw FileOperationError(FileOperation::MakeBackup, plan.shownOutput, ec);
    }
    fs::SyncFolderOf(plan.backupPath);
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
    std::string suffix = ".";
    for (int i = 0; i < 6; ++i) suffix += kAlphabet[pick(random)];
    suffix += ".tmp";
    // The user's name is cut short inside the temporary name, a whole character at a time,
    // never the other way round.
    const std::size_t nameStart = path.find_last_of(fs::kSeparators) + 1;  // npos + 1 = 0
    std::string name = path;
    while (name.size() > nameStart && !fs::NameFits(name + suffix)) {
        while (name.size() > nameStart + 1 && (name.back() & 0xC0) == 0x80) name.pop_back();
        name.pop_back();
    }
    return name + suffix;
}

fs::File CreateTemporary(const std::string& path, std::string& newPath, std::error_code& ec) {
    // A leftover of a killed run, or another run's file, may hold a name: draw again.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string candidate = TemporaryNameFor(path);
        fs::File file = fs::File::CreateNew(candidate, ec);
        if (!ec) {
            newPath = candidate;
            return file;
        }
        if (ec != std::errc::file_exists) break;
    }
    newPath.clear();
    return {};
}

BackupPlan BackupExistingOutput(const std::string& inputPath, const std::string& outputPath,
                                bool autoBackup, RunServices& services, fs::File input,
                                const MadeFrom& madeFrom) {
    BackupPlan plan;
    plan.input = std::move(input);
    plan.shownOutput = outputPath;
    std::error_code ec;
    // A link is followed: the run works on the file it leads to, in that file's folder.
    plan.outputPath = fs::FinalTarget(outputPath, ec);
    if (ec) throw FileOperationError(FileOperation::QueryFile, outputPath, ec);
    plan.output = InspectOrThrow(plan.outputPath, outputPath);
    const fs::Kind kind = plan.output.kind;
    if (kind != fs::Kind::Missing && kind != fs::Kind::Regular) {
        Show(services, Notice::OutputNotRegular, outputPath, kind);
        return plan;
    }
    const fs::FileInfo in = plan.input.Info(ec);
    if (ec) throw FileOperationError(FileOperation::QueryFile, inputPath, ec);
    // An input stream that is no file (a pipe, a terminal) is no other run's to share.
    const auto lockInput = [&](bool exclusive) {
        return in.kind != fs::Kind::Regular || Lock(plan.input, exclusive, inputPath, services);
    };

    if (kind == fs::Kind::Missing) {
        // Found now, not after the whole run when the new file is to be put in place.
        if (!fs::NameFits(plan.outputPath)) {
            throw FileOperationError(FileOperation::CreateOutput, outputPath,
                                     std::make_error_code(std::errc::filename_too_long));
        }
        // A backup from an earlier run is left alone.
        if (lockInput(false)) plan.outcome = BackupOutcome::Proceed;
        return plan;
    }

    plan.outputExists = true;
    if (plan.output.readOnly) {
        Show(services, Notice::OutputReadOnly, outputPath);
        return plan;
    }
    plan.backupPath = BackupPathFor(plan.outputPath);
    if (!fs::NameFits(plan.backupPath)) {
        Show(services, Notice::BackupNameTooLong, outputPath);
        return plan;
    }
    const fs::FileInfo backup = InspectOrThrow(plan.backupPath, plan.backupPath);
    plan.backupExists = backup.kind == fs::Kind::Regular;
    // The backup may be a second name of the output already: a run stopped between the
    // swap's two renames leaves it so. Then it holds the old output and stays. A link that
    // leads from the backup to the output, though, would lead to the new one.
    const bool backupIsOutput = plan.backupExists && backup.id == plan.output.id;
    if (backupIsOutput && fs::FinalTarget(plan.backupPath, ec) != plan.backupPath) {
        Show(services, Notice::OutputIsBackup, outputPath);
        return plan;
    }
    if (plan.backupExists && !backupIsOutput && backup.id == in.id) {
        // Replacing the backup would delete the very file that is to be read.
        Show(services, Notice::InputIsBackup);
        return plan;
    }
    if (backup.kind != fs::Kind::Missing && !plan.backupExists) {
        Show(services, Notice::BackupBlocked, outputPath, backup.kind);
        return plan;
    }

    // In place the input is the output: one exclusive lock on it, and a second handle that
    // reads it for the comparison with the new output.
    plan.inPlace = plan.output.id == in.id;
    if (!lockInput(plan.inPlace)) return plan;
    if (!OpenExisting(plan.outputFile, plan.outputPath, plan.output, outputPath, services))
        return plan;
    if (!plan.inPlace && !Lock(plan.outputFile, true, outputPath, services)) return plan;
    if (backupIsOutput) {
        plan.keepBackup = true;
    } else if (plan.backupExists) {
        if (!OpenExisting(plan.backupFile, plan.backupPath, backup, plan.backupPath, services) ||
            !Lock(plan.backupFile, true, plan.backupPath, services))
            return plan;
        const std::optional<bool> made = madeFrom(plan.backupFile, plan.outputFile);
        if (!made) {
            plan.outcome = BackupOutcome::Stopped;
            return plan;
        }
        plan.backupIsOriginal = plan.keepBackup = *made;
        if (!plan.keepBackup && backup.readOnly) {
            Show(services, Notice::BackupReadOnly, plan.backupPath);
            return plan;
        }
    }

    plan.outcome = BackupOutcome::Cancelled;
    if (!autoBackup) {
        if (!Ask(services, Notice::OutputExists, plan.backupPath)) return plan;
        if (plan.backupExists && !Ask(services, Notice::BackupExists)) return plan;
    }
    plan.outcome = BackupOutcome::Proceed;
    return plan;
}

void ReplaceOutput(BackupPlan& plan, const std::string& newPath) {
    if (!plan.outputExists) {
        // Another run may have put a file at the output path since this one began; it is
        // never replaced.
        if (const std::error_code ec = fs::MoveNoReplace(newPath, plan.outputPath)) {
            throw FileOperationError(ec == std::errc::file_exists ? FileOperation::OutputInUse
                                                                  : FileOperation::ReplaceOutput,
                                     plan.shownOutput, ec);
        }
        fs::SyncFolderOf(plan.outputPath);
        return;
    }
    if (!plan.keepBackup) MakeBackup(plan);
    ReleaseForReplace(plan.outputFile);
    if (plan.inPlace) ReleaseForReplace(plan.input);
    if (const std::error_code ec = fs::Replace(newPath, plan.outputPath)) {
        FileOperationError error(FileOperation::ReplaceOutput, plan.shownOutput, ec);
        if (!plan.keepBackup) error.SetKeptAsBackup(plan.backupPath);
        throw error;
    }
    fs::SyncFolderOf(plan.outputPath);
}

}  // namespace tessavo
