#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the built program on a virtual display under a small window manager (openbox, for
# the title bar) and saves a picture of its window with its frame to docs/screenshot.png.
# The settings are a surveyor's own, in a folder of their own, so the user's settings stay
# untouched. Installs what it needs when missing.
# Usage: screenshot.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
tessavo_install_missing "${tessavo_build_packages[@]}" "${tessavo_run_packages[@]}" \
    xvfb xauth openbox xdotool imagemagick
build="${1:-$root/build}"
out="$root/docs/screenshot.png"
mkdir -p "$root/docs"
if [ ! -x "$build/app/tessavo" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
    cmake --build "$build" --parallel "$(nproc)" --target tessavo
fi

config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
cat > "$config/Brakmor.conf" <<'SETTINGS'
[Tessavo]
InputGSI=/home/jan/metingen/2026-11-24/STATION3.GSI
OutputGSI=/home/jan/metingen/2026-11-24/STATION3-GSI16.GSI
ReplaceGSI=0
AutoBackup=1
OutFormat=16
SETTINGS

XDG_CONFIG_HOME="$config" xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" bash -c '
    openbox & wm=$!
    sleep 1
    "$1" & app=$!
    window=$(xdotool search --sync --name "Cleaner voor Leica GSI files" | head -1)
    xdotool windowmove "$window" 40 40
    xdotool windowactivate --sync "$window"
    sleep 2
    import -frame -window "$window" "$2"
    kill "$app" "$wm"
' _ "$build/app/tessavo" "$out"
echo "Saved $out"
