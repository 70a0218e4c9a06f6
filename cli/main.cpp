// SPDX-License-Identifier: GPL-3.0-or-later
// The entry point of tessavo-cli.
#include "CommandLine.h"
#include "Console.h"

int main(int argc, char** argv) {
    const tessavo::cli::Utf8Console console;
    tessavo::cli::InstallInterruptHandler();
    return tessavo::cli::RunCommandLine(tessavo::cli::Arguments(argc, argv));
}
