// Tessavo - cleaning of Leica GSI measurement files.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace tessavo {

// What the engine was doing when a file operation failed; each has its own Dutch message.
enum class FileOperation {
    QueryFile,       // asking whether a file exists
    DeleteBackup,    // deleting an older backup
    RenameToBackup,  // renaming the existing output to its backup path
    OpenRead,        // opening the file the run reads
    Read,            // reading it
    CreateOutput,    // creating the output file
    WriteOutput,     // writing or closing the output file
    LineTooLong,     // a line beyond the 16-bit line length
    TooManyLines,    // the line count beyond its 32-bit range
};

class FileOperationError : public std::runtime_error {
  public:
    FileOperationError(FileOperation operation, std::string path, std::error_code code,
                       std::int64_t lineNumber = 0);

    FileOperation operation() const { return operation_; }
    const std::string& path() const { return path_; }
    std::error_code code() const { return code_; }
    std::int64_t lineNumber() const { return lineNumber_; }

  private:
    FileOperation operation_;
    std::string path_;
    std::error_code code_;
    std::int64_t lineNumber_;
};

// The lines of the Dutch message that reports the failure to the user.
std::vector<std::string> FailureMessageLines(const FileOperationError& error);

// A short Dutch sentence for a system error, e.g. "De schijf is vol.".
std::string DutchReason(std::error_code code);

}  // namespace tessavo
