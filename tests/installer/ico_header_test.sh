#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows icon holds a picture for every size Windows shows it at, from 16 px (small
# icons at 100% scaling) to 256 px (the Start menu), each in 32-bit colour with transparency;
# the 256 px picture is PNG-compressed, the others are bitmaps, as every Windows reads them.
# Read from the icon's directory and from each picture's own header.
# Usage: ico_header_test.sh ICON.ico
set -euo pipefail
icon=$1
u8() { od -An -tu1 -j "$1" -N 1 "$icon" | tr -d ' '; }
u16() { od -An -tu2 -j "$1" -N 2 "$icon" | tr -d ' '; }
u32() { od -An -tu4 -j "$1" -N 4 "$icon" | tr -d ' '; }
u32be() { od -An -tx1 -j "$1" -N 4 "$icon" | tr -d ' ' | xargs -I{} printf '%d' 0x{}; }
fail() { echo "FAILED: $*" >&2; exit 1; }

[ "$(u16 0)" -eq 0 ] && [ "$(u16 2)" -eq 1 ] || fail "$icon is no icon"
sizes=()
for ((entry = 0; entry < $(u16 4); entry++)); do
    at=$((6 + 16 * entry))
    width=$(u8 "$at") height=$(u8 $((at + 1))) bits=$(u16 $((at + 6))) data=$(u32 $((at + 12)))
    ((width == 0)) && width=256
    ((height == 0)) && height=256
    ((width == height)) || fail "picture $entry is $width by $height"
    ((bits == 32)) || fail "the $width px picture has $bits bits per pixel in the directory"
    if [ "$(od -An -tx1 -j "$data" -N 8 "$icon" | tr -d ' ')" = 89504e470d0a1a0a ]; then
        # PNG: IHDR with width, height, 8 bits per channel, colour type 6 (RGBA).
        kind=png
        [ "$(u32be $((data + 16)))" -eq "$width" ] || fail "the $width px PNG has another width"
        [ "$(u8 $((data + 24)))" -eq 8 ] && [ "$(u8 $((data + 25)))" -eq 6 ] ||
            fail "the $width px PNG is not 8-bit RGBA"
    else
        # BITMAPINFOHEADER: the height counts the colour bitmap and the mask.
        kind=bitmap
        [ "$(u32 "$data")" -eq 40 ] && [ "$(u32 $((data + 4)))" -eq "$width" ] &&
            [ "$(u32 $((data + 8)))" -eq $((2 * width)) ] || fail "the $width px bitmap's header"
        [ "$(u16 $((data + 14)))" -eq 32 ] || fail "the $width px bitmap is not 32-bit"
    fi
    expected=bitmap
    ((width == 256)) && expected=png
    [ "$kind" = "$expected" ] || fail "the $width px picture is a $kind"
    echo "$width px: 32-bit $kind"
    sizes+=("$width")
done
[ "${sizes[*]}" = "16 20 24 32 40 48 64 256" ] || fail "sizes ${sizes[*]}"
