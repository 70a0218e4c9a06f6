#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the manual page of a program from its own --help and --version with help2man, so
# that help and manual never drift apart, and compresses it as Debian wants it.
# help2man reads the English landmarks of a help text ("Usage:", "or:") and writes English
# headings, and it has no Dutch translation; the program's help is Dutch. A wrapper shows
# help2man the landmarks it knows, and the page's headings and date are then made Dutch.
# Usage: manpage.sh PROGRAM INCLUDE_FILE OUTPUT.1.gz RELEASE_DATE(YYYY-MM-DD)
set -euo pipefail
program=$1 include=$2 output=$3 date=$4
name=$(basename "$program")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "Gebruik: NAME ..." opens the synopsis, every further line that starts with the name
# continues it; "Afsluitstatus:" opens a section of its own.
cat > "$work/$name" <<WRAPPER
#!/bin/sh
text=\$("$program" "\$@") || exit
printf '%s\n' "\$text" | awk -v name="$name" '
    /^Gebruik: / { sub(/^Gebruik: /, "Usage: "); usage = 1; print; next }
    usage && \$0 ~ "^ +" name " " { sub(/^ +/, "  or: "); print; next }
    { usage = 0 }
    /^Afsluitstatus:\$/ { \$0 = "*Afsluitstatus*" }
    { print }'
WRAPPER
chmod +x "$work/$name"

SOURCE_DATE_EPOCH=$(date -u -d "$date 12:00" +%s) help2man --no-info \
    --manual=Gebruikersopdrachten --include="$include" --output="$work/page" "$work/$name"
# The headings in Dutch, the release date instead of the month of the build, and no
# hyphenation: groff would break Dutch words by English rules.
sed -E -e 's/^\.SH NAME$/.SH NAAM/' -e 's/^\.SH SYNOPSIS$/.SH OVERZICHT/' \
    -e 's/^\.SH DESCRIPTION$/.SH BESCHRIJVING/' -e 's/^\.SH OPTIONS$/.SH OPTIES/' \
    -e 's/^\.SH FILES$/.SH BESTANDEN/' -e 's/^\.SH EXAMPLES$/.SH VOORBEELDEN/' \
    -e 's/^\.SH "SEE ALSO"$/.SH "ZIE OOK"/' \
    -e "s/^(\.TH [^ ]+ \"[^\"]*\") \"[^\"]*\"/\\1 \"$date\"/" -e '/^\.TH /a .nh' \
    "$work/page" | gzip -9 -n > "$work/page.gz"
mv "$work/page.gz" "$output"
