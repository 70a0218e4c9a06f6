#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and running need, builds the program and starts it.
# Arguments go to the program (tessavo FILE opens the window with FILE as the input).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

# Without a display Qt would end in an abort that names only its platform plugin; this is
# known before anything is installed or built.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are not set): start Tessavo from a" >&2
    echo "desktop session, or use its command line tessavo-cli, which needs no display" >&2
    echo "(./scripts/test.sh builds it as build/cli/tessavo-cli)." >&2
    exit 1
fi

source "$root/scripts/deps.sh"
tessavo_install_missing "${tessavo_build_packages[@]}" "${tessavo_run_packages[@]}"

# The build folder is test.sh's too. One that test.sh configured keeps its tests, so that
# ctest still finds them; a new one is configured without them, since they need GoogleTest,
# which only test.sh installs.
options=(-DCMAKE_BUILD_TYPE=Release -DTESSAVO_BUILD_GUI=ON)
[ -f "$build/CMakeCache.txt" ] || options+=(-DBUILD_TESTING=OFF)
cmake -S "$root" -B "$build" "${options[@]}"
cmake --build "$build" --parallel "$(nproc)" --target tessavo tessavo-cli
exec "$build/app/tessavo" "$@"
