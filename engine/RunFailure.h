// SPDX-License-Identifier: GPL-3.0-or-later
// RunFailure: the error of a failed file operation and the Dutch message for it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace tessavo {

// What the engine was doing when a file operation failed; each has its own Dutch message.
enum class FileOperation {
    QueryFile,       // looking at what stands at a path
    OpenRead,        // opening the input
    Read,            // reading it
    CreateOutput,    // creating the new output beside the old one
    WriteOutput,     // writing, flushing or closing the new output
    LineTooLong,     // a line beyond the 16-bit line length
    TooManyLines,    // the line count beyond its 32-bit range
    DeleteBackup,    // moving the older backup out of the way
    RenameToBackup,  // renaming the existing output to its backup path
    ReplaceOutput,   // putting the new output in place
    OutputInUse,     // another run put a file at the output path in the meantime
};

class FileOperationError : public std::runtime_error {
  public:
    FileOperationError(FileOperation operation, std::string path, std::error_code code,
                       std::int64_t lineNumber = 0);

    FileOperation operation() const { return operation_; }
    const std::string& path() const { return path_; }
    std::error_code code() const { return code_; }
    std::int64_t lineNumber() const { return lineNumber_; }

    // Lines told after the reason, e.g. where a file stands that could not be put back.
    const std::vector<std::string>& notes() const { return notes_; }
    void AddNote(std::string line) { notes_.push_back(std::move(line)); }

  private:
    FileOperation operation_;
    std::string path_;
    std::error_code code_;
    std::int64_t lineNumber_;
    std::vector<std::string> notes_;
};

// The lines of the Dutch message that reports the failure to the user.
std::vector<std::string> FailureMessageLines(const FileOperationError& error);

// A short Dutch sentence for a system error, e.g. "De schijf is vol.". It knows errno
// values and, on Windows, the system's own error codes.
std::string DutchReason(std::error_code code);

}  // namespace tessavo
