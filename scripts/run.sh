#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and running need, builds the program and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
tessavo_install_missing "${tessavo_build_packages[@]}" "${tessavo_run_packages[@]}"

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSAVO_BUILD_GUI=ON -DBUILD_TESTING=OFF
cmake --build "$build" --parallel "$(nproc)" --target tessavo tessavo-cli

# Without a display Qt would end in an abort that names only its platform plugin.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are not set): start Tessavo from a" >&2
    echo "desktop session, or use the command line: $build/cli/tessavo-cli --help" >&2
    exit 1
fi
exec "$build/app/tessavo" "$@"
