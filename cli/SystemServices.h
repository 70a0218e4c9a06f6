// SPDX-License-Identifier: GPL-3.0-or-later
// SystemServices: the command line's services from the system it runs on (its arguments as
// UTF-8, Ctrl+C, terminals, the Windows console and wildcards), for POSIX and Windows.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "CommandLine.h"

namespace tessavo::cli {

// The program's arguments after its own name, as UTF-8. On Windows they come from the
// wide command line, so that names with characters outside the code page survive.
std::vector<std::string> Arguments(int argc, char** argv);

#ifdef _WIN32
// An output stream over a Windows handle: on a console the UTF-8 text goes out through
// WriteConsoleW in UTF-16, whatever the console's code page; anything else (a file, a
// pipe) gets the UTF-8 bytes unchanged. `handle` is a HANDLE; the stream does not close it.
std::unique_ptr<std::ostream> HandleStream(void* handle);
#endif

// The real system. Made once by main: from then on Ctrl+C only sets a flag that the run
// polls, and a second Ctrl+C ends the program at once, for the case that the run never
// gets to poll it. A reader that closes its end of a pipe makes writes to it fail, which
// the program reports, instead of ending the program with SIGPIPE.
class SystemServices final : public CommandLineServices {
  public:
    SystemServices();
    ~SystemServices() override;
    SystemServices(const SystemServices&) = delete;
    SystemServices& operator=(const SystemServices&) = delete;

    std::ostream& Out() { return *out_; }
    std::ostream& Err() { return *err_; }

    bool InterruptRequested() override;
    bool IsTerminal(StandardStream stream) override;
    // On Windows, where the shell leaves wildcards to the program: the files (no folders)
    // in the pattern's folder whose names match, sorted without regard to letter case.
    std::vector<std::string> ExpandWildcards(const std::string& pattern) override;
    fs::File StandardFile(StandardStream stream, std::error_code& ec) override;

  private:
    std::unique_ptr<std::ostream> ownOut_, ownErr_;
    std::ostream* out_;
    std::ostream* err_;
};

}  // namespace tessavo::cli
