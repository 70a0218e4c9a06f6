#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows programs keep the protections that mingw-w64's linker gives them: read from
# each program's PE header, it is a 64-bit program marked for ASLR with high entropy and for
# NX (data execution prevention), and it keeps the relocations that ASLR needs to move it.
# Usage: pe_header_test.sh PROGRAM.exe...
set -euo pipefail
u16() { od -An -tu2 -j "$2" -N 2 "$1" | tr -d ' '; }
u32() { od -An -tu4 -j "$2" -N 4 "$1" | tr -d ' '; }

failed=0
for program in "$@"; do
    pe=$(u32 "$program" 60)                # e_lfanew: where the PE header starts
    [ "$(u32 "$program" "$pe")" -eq 17744 ] || { echo "$program: no PE header"; exit 1; } # "PE\0\0"
    characteristics=$(u16 "$program" $((pe + 22)))
    optional=$((pe + 24))
    [ "$(u16 "$program" "$optional")" -eq 523 ] || { echo "$program: not 64-bit"; exit 1; } # PE32+
    dll=$(u16 "$program" $((optional + 70)))
    relocations=$(u32 "$program" $((optional + 112 + 5 * 8 + 4))) # the 6th data directory
    row="$(basename "$program"):"
    bad=0
    for flag in 32:high-entropy-ASLR 64:ASLR 256:NX; do
        if ((dll & ${flag%%:*})); then row+=" ${flag#*:}"; else row+=" NO-${flag#*:}"; bad=1; fi
    done
    if ((characteristics & 1)) || ((relocations == 0)); then
        row+=" NO-relocations"
        bad=1
    else
        row+=" relocations:$relocations-bytes"
    fi
    echo "$row"
    failed=$((failed | bad))
done
exit "$failed"
