// Tessavo - cleaning of Leica GSI measurement files.
#pragma once

#include <optional>
#include <string>

#include "RunServices.h"

namespace tessavo {

enum class BackupOutcome { Proceed, Stop, Refused };

struct BackupResult {
    BackupOutcome outcome = BackupOutcome::Stop;
    std::string readPath;     // the file the run reads, when it proceeds
    bool backupMade = false;  // the existing output was renamed to backupPath
    std::string backupPath;   // set when the output existed
};

// The output path with ".bak" appended.
std::string BackupPathFor(const std::string& outputPath);

// Settles an existing output file before a run creates it anew: renames it to its backup
// path, silently with autoBackup or after the "Let op" warnings, deleting an older
// backup first. Throws FileOperationError when a delete or rename fails; nothing has
// changed then except an older backup that was already deleted.
BackupResult BackupExistingOutput(const std::string& inputPath, const std::string& outputPath,
                                  bool autoBackup, RunServices& services);

}  // namespace tessavo
