// SPDX-License-Identifier: GPL-3.0-or-later
// RunMessages: every text a run shows, and the error of a failed file operation.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <system_error>

#include "CleaningRun.h"
#include "FileSystem.h"
#include "RunServices.h"

namespace tessavo {

// The refusals and questions of a run. A refusal ends the run before anything is touched;
// a question is answered with OK or Cancel.
enum class Notice {
    NulInName,          // the path: a path with a NUL character
    InputMissing,       //
    InputNotGsi,        // the input path
    OutputPathEmpty,    //
    OutputNotRegular,   // the output path; what stands there
    OutputReadOnly,     // the output path
    BackupNameTooLong,  // the output path
    BackupBlocked,      // the output path; what stands at the backup's place
    BackupReadOnly,     // the backup path
    InputIsBackup,      //
    OutputIsBackup,     // the output path
    InUse,              // the path of the file that another run holds
    OutputExists,       // the backup path (a question)
    BackupExists,       // (a question)
};

// The message of a refusal or question; `path` and `what` fill the places the notice has.
// A refusal that comes after the run wrote aside tells whether its temporary file stayed
// behind (`temporaryLeft`).
Message NoticeMessage(Notice notice, const std::string& path = {},
                      fs::Kind what = fs::Kind::Missing, bool temporaryLeft = false);

// The closing message of a completed run: its counts, and whether nothing changed on disk
// or the backup was kept because the old output was cleaned from it (`keptBackup`, its
// path; empty when not). Its details list the result's changes.
Message ClosingMessage(const RunResult& result, bool unchanged, const std::string& keptBackup);
// The message at the end of a check: the count lines of a run's closing message.
Message CheckMessage(const RunResult& result);

// One change as a line of a list, e.g. "regel 12, woord 81: +0000000286150753 wordt
// +86150753" or "regel 20 blijft ongewijzigd".
std::string ChangeText(const LineChange& change);

// Adds to the message of a run that failed or was refused while it wrote to an output
// stream that the output `name` holds only part of the lines.
void AddIncompleteOutput(Message& message, const std::string& name);

// What the engine was doing when a file operation failed; each has its own heading.
enum class FileOperation {
    QueryFile,      // looking at what stands at a path
    OpenRead,       // opening the input
    Read,           // reading it
    CreateOutput,   // creating the new output beside the old one
    WriteOutput,    // writing, flushing or closing the new output
    LineTooLong,    // a line beyond the 16-bit line length
    TooManyLines,   // the line count beyond its 32-bit range
    MakeBackup,     // giving the existing output its backup name
    ReplaceBackup,  // putting it in the older backup's place
    ReplaceOutput,  // putting the new output in place
    OutputInUse,    // another run put a file at the output path in the meantime
};

class FileOperationError : public std::runtime_error {
  public:
    FileOperationError(FileOperation operation, std::string path, std::error_code code,
                       std::int64_t lineNumber = 0);

    FileOperation Operation() const { return operation_; }
    const std::string& Path() const { return path_; }
    std::error_code Code() const { return code_; }
    std::int64_t LineNumber() const { return lineNumber_; }

    // Where the old output stands as the backup already, when the failure came after the
    // swap had made it the backup; empty before that.
    const std::string& KeptAsBackup() const { return keptAsBackup_; }
    void SetKeptAsBackup(std::string backupPath) { keptAsBackup_ = std::move(backupPath); }

  private:
    FileOperation operation_;
    std::string path_;
    std::error_code code_;
    std::int64_t lineNumber_;
    std::string keptAsBackup_;
};

// The message of a failed run: what failed, with which file and why, and whether a
// temporary file of the run stayed behind (`temporaryLeft`).
Message FailureMessage(const FileOperationError& error, bool temporaryLeft);
// The same for a failure that is no file operation (memory running out, say).
Message UnexpectedFailureMessage(const std::string& inputPath, bool temporaryLeft);

// A short Dutch sentence for a system error, e.g. "De schijf is vol.". It knows errno
// values and, on Windows, the system's own error codes.
std::string DutchReason(std::error_code code);

}  // namespace tessavo
