// SPDX-License-Identifier: GPL-3.0-or-later
// CleaningRun: the cleaning of one GSI file and its outcome.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "RunServices.h"
#include "modGSI.h"

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

// One change of a run beyond the normal form: a value cut to the output's width, or a record
// line copied unchanged because it could not be read as words.
struct LineChange {
    std::int64_t line = 0;   // the input line concerned, from 1 (the header line counted)
    bool unchanged = false;  // the whole line was copied unchanged; otherwise `cut` says what
    CutValue cut;  // the word's index and its field before and after; empty when unchanged

    friend bool operator==(const LineChange&, const LineChange&) = default;
};

// How many changes a run's result lists; the rest are only counted.
inline constexpr std::size_t kMaxListedChanges = 1000;

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
    // The first kMaxListedChanges of those changes, one entry for each cut value and each
    // unchanged line, in the order of the input; and the count of the ones left out.
    std::vector<LineChange> changes = {};
    std::int64_t changesLeftOut = 0;
};

// A file of a run by its path, or an open stream in its place (standard input or output),
// read or written from where it stands; `path` is then the name that messages show for it.
// A stream has no backup, lock or temporary file, and an output stream holds what the run
// wrote so far when the run fails or stops: a stream cannot be put back.
struct RunFile {
    std::string path;
    fs::File stream = {};

    bool IsStream() const { return stream.IsOpen(); }
};

// Cleans one input GSI file into the output file. The paths are used exactly as given
// (UTF-8). The new output is written beside the output under a temporary name and only
// put in place, with the existing output becoming its backup, once it is complete and on
// the disk; when it is the existing output byte for byte, nothing changes, and when the
// existing output was cleaned from its backup, the backup stays. Every outcome is reported
// to the user through `services`; the result is for the caller's own bookkeeping.
RunResult CleaningRun(const std::string& inputPath, const std::string& outputPath, bool autoBackup,
                      RunServices& services);
// The same with either file a stream. An input stream into a file output is cleaned as a
// file would be, the output's backup included; into an output stream the cleaned lines go
// as they come, and the closing message follows once they are all written.
RunResult CleaningRun(RunFile input, RunFile output, bool autoBackup, RunServices& services);

// Receives each change of a check as it is found.
using ChangeSink = std::function<void(const LineChange&)>;

// Reads the input as a run would, with the output format that `services` answers, and
// writes nothing: every change that a run would make beyond the normal form goes to
// `onChange`, all of them, in the order of the input, and the message at the end holds the
// run's count lines. Refusals, failures and stops are those of a run. The result lists no
// changes.
RunResult CheckRun(RunFile input, RunServices& services, const ChangeSink& onChange);

}  // namespace tessavo
