// SPDX-License-Identifier: GPL-3.0-or-later
// The few things the command line needs of the system it runs on: its arguments as UTF-8,
// Ctrl+C, and whether a stream is a terminal. One implementation for POSIX and Windows.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tessavo::cli {

// The program's arguments after its own name, as UTF-8. On Windows they come from the
// wide command line, so that names with characters outside the code page survive.
std::vector<std::string> Arguments(int argc, char** argv);

// From now on Ctrl+C only sets a flag that the run polls; a second Ctrl+C ends the program
// at once, for the case that the run never gets to poll it.
void InstallInterruptHandler();
bool InterruptRequested();

bool IsTerminal(std::FILE* stream);

// On Windows the console shows the program's UTF-8 texts only with its code page set to
// UTF-8; this keeps it so for the program's lifetime and then puts the old one back.
class Utf8Console {
  public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

  private:
    unsigned previousCodePage_ = 0;
};

}  // namespace tessavo::cli
