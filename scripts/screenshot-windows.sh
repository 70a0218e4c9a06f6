#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the Windows program under wine on a virtual display, as on a first start, and saves
# a picture of its window to docs/screenshot-windows.png. Wine draws the window with its
# own Windows-style title bar on a wine desktop; ImageMagick's import takes the picture.
# Builds the program when it is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-windows"
out="$root/docs/screenshot-windows.png"
source "$root/scripts/deps.sh"
tessavo_install_missing imagemagick
if [ ! -f "$build/Tessavo.exe" ] || [ ! -f "$build/tests/installer/find_window.exe" ]; then
    "$root/scripts/build-windows.sh" --no-tests
fi
mkdir -p "$root/docs"

source "$root/scripts/wine.sh"
tessavo_wine_session "$build" bash -c '
    set -euo pipefail
    wine="$1/wine64"
    # A first start: nothing stored (this prefix is the build folder'"'"'s, not the user'"'"'s).
    "$wine" reg delete "HKCU\\Software\\VB and VBA Program Settings\\Brakmor\\Tessavo" /f \
        >/dev/null 2>&1 || true
    "$wine" "$2/Tessavo.exe" & pid=$!
    read -r left top width height < <("$wine" "$2/tests/installer/find_window.exe" \
        "Cleaner voor Leica GSI files" --rect | tr -d "\r")
    sleep 2  # until it has painted
    import -window root -crop "${width}x${height}+${left}+${top}" +repage "$3"
    "$wine" "$2/tests/installer/find_window.exe" "Cleaner voor Leica GSI files" --close
    wait "$pid"
' _ "$tessavo_wine" "$build" "$out"
echo "Saved $out"
