#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the icon's sizes from its drawing, resources/tessavo.svg: the PNG pictures of the
# hicolor theme (dist/linux/icons) and the Windows icon resources/tessavo.ico. Installs what
# it needs when missing (rsvg-convert, ImageMagick). Run it after changing the drawing and
# commit the pictures with it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
tessavo_install_missing librsvg2-bin imagemagick
drawing="$root/resources/tessavo.svg"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for size in 16 32 48 64 128 256; do
    folder="$root/dist/linux/icons/hicolor/${size}x${size}/apps"
    mkdir -p "$folder"
    rsvg-convert -w "$size" -h "$size" "$drawing" -o "$folder/nl.brakmor.Tessavo.png"
done

# The sizes Windows asks for: small icons and title bars at 100% to 250% scaling (16 to
# 40), large icons and the taskbar (32 to 64), and the Start menu and tiles (256). ImageMagick
# stores each in 32-bit colour with transparency, the 256 px one PNG-compressed.
pictures=()
for size in 16 20 24 32 40 48 64 256; do
    rsvg-convert -w "$size" -h "$size" "$drawing" -o "$work/$size.png"
    pictures+=("$work/$size.png")
done
convert "${pictures[@]}" -strip "$root/resources/tessavo.ico"
