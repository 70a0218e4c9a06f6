// SPDX-License-Identifier: GPL-3.0-or-later
// BackupExistingOutput and ReplaceOutput: an existing output settled before a run and replaced after it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>

#include "FileSystem.h"
#include "RunServices.h"

namespace tessavo {

enum class BackupOutcome { Proceed, Stop, Refused };

// What a run needs to put its new output in place at the end, and the locks that keep other
// runs away from the files until then.
struct BackupResult {
    BackupOutcome outcome = BackupOutcome::Stop;
    std::string backupPath;               // the output path with ".bak" appended
    bool outputExists = false;            // the existing output becomes the backup
    bool backupExists = false;            // an older backup is replaced
    std::uint32_t outputPermissions = 0;  // kept by the new output that replaces it
    fs::File outputLock;                  // open while the run lasts, for its lock only
    fs::File backupLock;
};

// Renames a file for ReplaceOutput; tests hand in one that fails at a chosen step.
using MoveFile = std::function<std::error_code(const std::string& from, const std::string& to)>;

// The output path with ".bak" appended.
std::string BackupPathFor(const std::string& outputPath);

// Settles an existing output before a run writes the new one: refuses what must not be
// replaced (anything but a regular file at the output or backup path, an output that is
// its own backup, an input that is the output's backup), locks the files (the input
// `input`, already open, shared; the output and its backup exclusively; in place the
// input exclusively) and, without autoBackup, asks the "Let op" questions. Every refusal
// and question is shown through `services`. Nothing on disk changes here: the renames
// happen in ReplaceOutput once the new output is complete. Throws FileOperationError when
// a path cannot be looked at.
BackupResult BackupExistingOutput(const std::string& inputPath, const std::string& outputPath,
                                  bool autoBackup, RunServices& services, fs::File& input);

// Puts the complete new output `newPath` in place: the older backup aside, the existing
// output to the backup path, the new file to the output path, the older backup deleted.
// Each rename is undone when a later one fails, so that a failure leaves the files as they
// were; throws FileOperationError then (with the whereabouts of any file that could not be
// put back).
void ReplaceOutput(const BackupResult& plan, const std::string& outputPath,
                   const std::string& newPath, const MoveFile& move);

// A free name beside `path` for a file of the run's own: the path, a short random part
// and ".tmp".
std::string TemporaryNameFor(const std::string& path);

}  // namespace tessavo
