// SPDX-License-Identifier: GPL-3.0-or-later
// CleaningRun: the cleaning of one GSI file, its outcome and its test seams.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <system_error>

#include "RunServices.h"

namespace tessavo {

// How a run ended. Every outcome but Completed leaves the input, the output and the
// backup exactly as they were, and no file of the run's own behind.
enum class RunOutcome {
    InputMissing,  // the input file was not found
    Refused,       // the input is no GSI file, or the files cannot or may not be replaced
                   // now (the message says why)
    Cancelled,     // a backup warning was answered with Cancel
    Completed,     // the output is complete and the closing message was shown
    Failed,        // something failed; one message says what
    Stopped,       // the front end asked the run to stop; no message
};

struct RunResult {
    RunOutcome outcome = RunOutcome::InputMissing;
    std::int32_t lineCount = 0;  // record lines written
    // Values that lost more than zeros and blanks to the output's width, and record lines
    // copied unchanged because they could not be read as words; each with the number of
    // the first input line concerned (the header line counted), 0 when there is none.
    std::int64_t cutValues = 0;
    std::int64_t firstCutLine = 0;
    std::int64_t unchangedLines = 0;
    std::int64_t firstUnchangedLine = 0;
};

// Seams through which the engine's tests make faults happen at chosen moments. Front ends
// leave them as they are.
struct RunTestHooks {
    // The line count is a signed 32-bit number; a run that would pass it fails.
    std::int32_t maxLineCount = std::numeric_limits<std::int32_t>::max();
    // The error that the write of the new output's block at an offset fails with, if any.
    std::function<std::error_code(std::uint64_t offset)> writeFault;
    // Renames the files at the end of the run instead of the file system's own call.
    std::function<std::error_code(const std::string& from, const std::string& to)> move;
};

// Cleans one input GSI file into the output file. The paths are used exactly as given
// (UTF-8). The new output is written beside the output under a temporary name and only
// put in place, with the existing output becoming its backup, once it is complete and on
// the disk. Every outcome is reported to the user through `services`; the result is for
// the caller's own bookkeeping.
RunResult CleaningRun(const std::string& inputPath, const std::string& outputPath, bool autoBackup,
                      RunServices& services, const RunTestHooks& hooks = {});

}  // namespace tessavo
