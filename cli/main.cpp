// SPDX-License-Identifier: GPL-3.0-or-later
// The entry point of tessavo-cli: the command line over the real system.
#include "CommandLine.h"
#include "SystemServices.h"

int main(int argc, char** argv) {
    tessavo::cli::SystemServices system;
    return tessavo::cli::RunCommandLine(tessavo::cli::Arguments(argc, argv), system.Out(),
                                        system.Err(), system);
}
