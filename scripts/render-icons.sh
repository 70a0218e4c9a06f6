#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the icon's sizes for the hicolor theme (dist/linux/icons) from its drawing,
# resources/tessavo.svg, with rsvg-convert, which it installs when missing. Run it after
# changing the drawing and commit the pictures with it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
tessavo_install_missing librsvg2-bin
for size in 16 32 48 64 128 256; do
    folder="$root/dist/linux/icons/hicolor/${size}x${size}/apps"
    mkdir -p "$folder"
    rsvg-convert -w "$size" -h "$size" "$root/resources/tessavo.svg" -o "$folder/nl.brakmor.Tessavo.png"
done
