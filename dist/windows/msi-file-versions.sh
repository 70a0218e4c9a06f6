#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the version of each program in a Windows installer into its File table, as WiX does
# and wixl does not, so that Windows Installer replaces a file by version, not by date and
# hash. The version is the program's own, from its version resource. A versioned file has no
# hash in the table.
# Usage: msi-file-versions.sh MSI, in the folder that holds the installer's files.
set -euo pipefail
msi=$1

# The version resource's fixed part: the signature 0xFEEF04BD and the structure version 1.0,
# then the file version as two little-endian 32-bit numbers, major << 16 | minor and
# build << 16 | revision. Nothing for a file without one.
file_version() {
    local offset high low
    offset=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe\x00\x00\x01\x00' "$1" | head -1 | cut -d: -f1)
    [ -n "$offset" ] || return 0
    read -r high low < <(od -An -tu4 -j $((offset + 8)) -N 8 "$1")
    echo "$((high >> 16)).$((high & 65535)).$((low >> 16)).$((low & 65535))"
}

# The rows after the three header lines: File, Component_, FileName (short|long), ...
msiinfo export "$msi" File | tail -n +4 | while IFS=$'\t' read -r id _ name _; do
    version=$(file_version "${name#*|}")
    [ -n "$version" ] || continue
    msibuild "$msi" -q "UPDATE \`File\` SET \`Version\` = '$version' WHERE \`File\` = '$id'" \
        -q "DELETE FROM \`MsiFileHash\` WHERE \`File_\` = '$id'"
done
