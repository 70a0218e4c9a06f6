// Tessavo - cleaning of Leica GSI measurement files.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "RunServices.h"

namespace tessavo {

enum class RunOutcome {
    InputMissing,  // the input file was not found; nothing was touched
    Refused,       // the input is the backup of the existing output; nothing was touched
    Cancelled,     // a backup warning was answered with Cancel; nothing was touched
    Completed,     // the output is complete and the closing message was shown
    Failed,        // a file operation failed; everything was put back and one message shown
    Stopped,       // the window is closing; the files were closed with what was written
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

struct RunLimits {
    // The line count is a signed 32-bit number; a run that would pass it fails.
    std::int32_t maxLineCount = std::numeric_limits<std::int32_t>::max();
};

// Cleans one input GSI file into the output file. The paths are used exactly as given
// (UTF-8). Every outcome is reported to the user through `services`; the result is for
// the caller's own bookkeeping.
RunResult CleaningRun(const std::string& inputPath, const std::string& outputPath, bool autoBackup,
                      RunServices& services, RunLimits limits = {});

}  // namespace tessavo
