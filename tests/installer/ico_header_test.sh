#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows icon holds a picture for every size Windows shows it at, from 16 px (small
# icons at 100% scaling) to 256 px (the Start menu), each in 32-bit colour with transparency:
# the 256 px picture as a PNG, the others as bitmaps, as every Windows reads them. Read from
# the icon's directory and from each picture's own header.
# Usage: ico_header_test.sh ICON.ico
set -euo pipefail
icon=$1
u() { od -An -tu"$1" -j "$2" -N "$1" "$icon" | tr -d ' '; } # little-endian, of 1, 2 or 4 bytes
fail() { echo "FAILED: $*" >&2; exit 1; }

[ "$(u 2 0)" -eq 0 ] && [ "$(u 2 2)" -eq 1 ] || fail "$icon is no icon"
sizes=()
for ((entry = 0; entry < $(u 2 4); entry++)); do
    at=$((6 + 16 * entry))
    size=$(u 1 "$at")
    ((size == 0)) && size=256
    data=$(u 4 $((at + 12)))
    [ "$(u 1 $((at + 1)))" -eq $((size % 256)) ] || fail "the $size px picture is not square"
    [ "$(u 2 $((at + 6)))" -eq 32 ] || fail "the $size px picture is not 32-bit"
    if ((size == 256)); then
        # The PNG signature, and colour type 6 (RGBA) in its header.
        [ "$(od -An -tx1 -j "$data" -N 8 "$icon" | tr -d ' ')" = 89504e470d0a1a0a ] &&
            [ "$(u 1 $((data + 25)))" -eq 6 ] || fail "the 256 px picture is no RGBA PNG"
        echo "$size px: 32-bit PNG"
    else
        # A bitmap's header of 40 bytes, which gives 32 bits per pixel too.
        [ "$(u 4 "$data")" -eq 40 ] && [ "$(u 2 $((data + 14)))" -eq 32 ] ||
            fail "the $size px picture is no 32-bit bitmap"
        echo "$size px: 32-bit bitmap"
    fi
    sizes+=("$size")
done
[ "${sizes[*]}" = "16 20 24 32 40 48 64 256" ] || fail "sizes ${sizes[*]}"
