#!/usr/bin/env bash
# Starts the built program on a virtual display and saves a picture of its window to
# docs/screenshot.png, with xvfb and ImageMagick's import, which it installs when missing.
# Usage: screenshot.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
tessavo_install_missing imagemagick
build="${1:-$root/build}"
out="$root/docs/screenshot.png"
mkdir -p "$root/docs"
if [ ! -x "$build/app/tessavo" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release
    cmake --build "$build" --parallel "$(nproc)" --target tessavo
fi

# A settings folder of its own, so the picture shows the first start and the user's own
# settings stay untouched.
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT

XDG_CONFIG_HOME="$config" xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" bash -c '
    "$1" & pid=$!
    sleep 3
    import -window "Cleaner voor Leica GSI files" "$2"
    kill "$pid"
' _ "$build/app/tessavo" "$out"
echo "Saved $out"
