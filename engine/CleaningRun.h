// SPDX-License-Identifier: GPL-3.0-or-later
// CleaningRun: the cleaning of one GSI file and its outcome.
#pragma once

#include <cstdint>
#include <string>

#include "RunServices.h"

namespace tessavo {

// How a run ended. Every outcome but Completed leaves the input, the output and the
// backup as they were, and no file of the run's own behind; only a failure of the very
// last rename leaves the old output standing as the backup too, which its message says.
enum class RunOutcome {
    InputMissing,  // the input file was not found
    Refused,       // the input is no GSI file, or the files cannot or may not be replaced
                   // now (the message says why)
    Cancelled,     // a backup warning was answered with Cancel
    Completed,     // the new output is in place, or the output was that already; the
                   // closing message was shown. A stop asked once the files were being
                   // swapped waited for the swap to end.
    Failed,        // something failed; one message says what
    Stopped,       // the front end asked the run to stop before the swap; no message
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

// Cleans one input GSI file into the output file. The paths are used exactly as given
// (UTF-8). The new output is written beside the output under a temporary name and only
// put in place, with the existing output becoming its backup, once it is complete and on
// the disk; when it is the existing output byte for byte, nothing changes, and when the
// existing output was cleaned from its backup, the backup stays. Every outcome is reported
// to the user through `services`; the result is for the caller's own bookkeeping.
RunResult CleaningRun(const std::string& inputPath, const std::string& outputPath, bool autoBackup,
                      RunServices& services);

}  // namespace tessavo
