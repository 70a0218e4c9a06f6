#!/usr/bin/env bash
# Builds the Windows program with Debian's mingw-w64 into build-windows/, where Tessavo.exe
# lands; runs the engine, controller and window tests under wine on a virtual display; and
# makes the installer build-windows/tessavo-<version>-x64.msi, which a last test installs,
# starts and removes under wine. Installs the Debian packages it needs when missing.
# Usage: build-windows.sh [--no-tests]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tessavo_deps_helper_only=1
source "$root/scripts/deps.sh"
tessavo_install_missing cmake make g++-mingw-w64-x86-64-posix googletest wine64 wixl xvfb xauth

build="$root/build-windows"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --parallel "$(nproc)"

if [ "${1:-}" = "--no-tests" ]; then
    exit 0
fi

# The same wine set-up as the tests get from the toolchain file: a prefix in the build
# folder, and a wine that asks nothing.
export WINEPREFIX="$build/wine" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export TESSAVO_WINE=/usr/lib/wine

# On a virtual display, since the window tests open real windows. One wine server serves
# all the short test programs (each would otherwise start and stop one of its own), and the
# first start, which makes the prefix, comes before the tests so that no test waits for it.
# Every step has a time limit: wine that hangs must not hold CI.
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
    set -euo pipefail
    mkdir -p "$WINEPREFIX"
    "$TESSAVO_WINE/wineserver" -p
    trap "\"\$TESSAVO_WINE/wineserver\" -k || true" EXIT
    timeout 300 "$TESSAVO_WINE/wine64" wineboot --init
    ctest --test-dir "$1" --output-on-failure --parallel "$(nproc)" --timeout 300
' _ "$build"
