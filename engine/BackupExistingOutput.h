// SPDX-License-Identifier: GPL-3.0-or-later
// BackupExistingOutput and ReplaceOutput: an existing output settled before a run and replaced
// after it.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "FileSystem.h"
#include "RunServices.h"

namespace tessavo {

enum class BackupOutcome { Proceed, Cancelled, Refused, Stopped };

// What the checks before a run found, what the swap at its end will do, and the open files
// that keep other runs away until then.
struct BackupPlan {
    BackupOutcome outcome = BackupOutcome::Refused;
    std::string shownOutput;  // the output path as typed, for messages
    std::string outputPath;   // the file written: the one a link at the typed path leads to
    std::string backupPath;   // outputPath with ".bak" appended
    bool outputExists = false;
    bool backupExists = false;
    bool inPlace = false;  // the input is the existing output
    // The existing output is exactly what cleaning the older backup gives: the backup keeps
    // the original and stays; the output is replaced without becoming the backup.
    bool backupIsOriginal = false;
    // The backup stays: it holds the original, or the old output already (a second name of
    // it, as a run stopped between the swap's two renames leaves it).
    bool keepBackup = false;
    fs::FileInfo output;  // the existing output as found
    fs::File input;       // the input, open and locked (exclusively in place)
    fs::File outputFile;  // the existing output, open (and locked, unless it is the input)
    fs::File backupFile;  // the older backup, open and locked
};

// Whether the open file `output` is exactly what cleaning the open file `backup` gives;
// no answer when the run was asked to stop meanwhile.
using MadeFrom = std::function<std::optional<bool>(fs::File& backup, fs::File& output)>;

// The output path with ".bak" appended.
std::string BackupPathFor(const std::string& outputPath);

// Settles an existing output before a run writes the new one: refuses what must not be
// replaced (anything but a regular file at the output or backup path, a write-protected
// output, or backup that would be replaced, a backup name that is too long, an output that
// is its own backup, an input that is the output's backup), locks the files (the input
// `input`, already open, shared; the output and its backup exclusively; in place the input
// exclusively), asks `madeFrom` whether the output was cleaned from the backup and, without
// autoBackup, asks the "Let op" questions. Every refusal and question is shown through
// `services`. Nothing on disk changes here. Throws FileOperationError when a path cannot be
// looked at.
BackupPlan BackupExistingOutput(const std::string& inputPath, const std::string& outputPath,
                                bool autoBackup, RunServices& services, fs::File input,
                                const MadeFrom& madeFrom);

// Puts the complete new output `newPath` in place so that, whatever stops the process at
// any moment, the output path holds the old output or the new one and the backup path the
// older backup or the old output: the old output first gets the backup's name as a second
// name (a hard link, or a copy brought to the disk where there are no links), then the new
// file is renamed over the output. With plan.keepBackup only that last rename happens.
// Throws FileOperationError when a step fails, with nothing changed, or, when the last
// rename fails, with the old output also standing as the backup.
void ReplaceOutput(BackupPlan& plan, const std::string& newPath);

// Creates a new file of the run's own beside `path`, under a free name that TemporaryNameFor
// draws, and answers that name in `newPath`.
fs::File CreateTemporary(const std::string& path, std::string& newPath, std::error_code& ec);

// A name beside `path` for a file of the run's own: the path, a short random part and
// ".tmp", with the path's last name cut short where the whole would not fit the file
// system; it fits wherever that name fits.
std::string TemporaryNameFor(const std::string& path);

}  // namespace tessavo
