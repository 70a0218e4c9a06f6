// SPDX-License-Identifier: GPL-3.0-or-later
// tessavo-cli: the cleaning run over files named on the command line, for batches and
// scripts.
#pragma once

#include <string>
#include <vector>

namespace tessavo::cli {

// The program's exit status.
enum ExitStatus : int {
    kCleaned = 0,        // every file cleaned, nothing cut or left unchanged
    kFailed = 1,         // a file was refused, missing or failed; the others were still done
    kUsage = 2,          // wrong arguments
    kCut = 3,            // every file cleaned, but some value was cut or some line left unchanged
    kInterrupted = 130,  // Ctrl+C: the current file was put back, the rest skipped
};

// Runs the command line with the given arguments (without the program's name), writing
// to standard output and standard error, and answers the exit status.
int RunCommandLine(const std::vector<std::string>& arguments);

}  // namespace tessavo::cli
