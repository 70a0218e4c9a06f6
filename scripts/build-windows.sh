#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Windows program with Debian's mingw-w64 into build-windows/, where Tessavo.exe
# lands; makes the installer build-windows/tessavo-<version>-x64.msi; checks the programs'
# PE headers and the icon; runs the engine, controller and window tests under wine on a
# virtual display; and last installs, upgrades, starts and removes the installer under wine.
# Installs the Debian packages it needs when missing.
# Usage: build-windows.sh [--no-tests]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
tessavo_install_missing cmake make g++-mingw-w64-x86-64-posix googletest wine64 fonts-wine \
    fonts-liberation wixl msitools xvfb xauth xdotool

build="$root/build-windows"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --parallel "$(nproc)"

if [ "${1:-}" = "--no-tests" ]; then
    exit 0
fi

source "$root/scripts/wine.sh"
tessavo_wine_session "$build" \
    ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 300
