// SPDX-License-Identifier: GPL-3.0-or-later
// RunCommandLine: tessavo-cli's arguments, the run of each file, its messages and the exit
// status, over the services it needs of the system.
#pragma once

#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "FileSystem.h"

namespace tessavo::cli {

// The program's exit status.
enum ExitStatus : int {
    kCleaned = 0,        // every file cleaned, nothing cut or left unchanged
    kFailed = 1,         // a file was refused, missing or failed; the others were still done
    kUsage = 2,          // wrong arguments
    kCut = 3,            // every file cleaned, but some value was cut or some line left unchanged
    kInterrupted = 130,  // Ctrl+C stopped a file (put back as it was) or skipped files
};

enum class StandardStream { Input, Output, Error };

// What the command line needs of the system it runs on. The program hands in the real
// one (SystemServices.h); tests hand in a fake.
class CommandLineServices {
  public:
    virtual ~CommandLineServices() = default;

    // Whether Ctrl+C has been pressed; asked before each file and once per input line.
    virtual bool InterruptRequested() = 0;

    // Whether the stream is a terminal (a console), where a long run shows its progress.
    virtual bool IsTerminal(StandardStream stream) = 0;

    // The files that a wildcard pattern (a name with "*" or "?") matches, in the order to
    // clean them; none where the shell expands wildcards itself, as on POSIX systems.
    virtual std::vector<std::string> ExpandWildcards(const std::string& pattern) = 0;

    // Standard input or output as a file of the engine's file layer, for "-" as INPUT or
    // OUTPUT; a closed file and the reason when the program has no such stream.
    virtual fs::File StandardFile(StandardStream stream, std::error_code& ec) = 0;
};

// Runs the command line with the given arguments (UTF-8, without the program's name):
// reports to `out`, refusals, failures and usage errors to `err`. Answers the exit status.
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   CommandLineServices& services);

}  // namespace tessavo::cli
