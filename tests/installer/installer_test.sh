#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer under wine: installs it for the whole machine without a question,
# checks the program, the Start-menu entry and the uninstall entry, starts the installed
# program and closes its window, then removes everything again.
# Usage: installer_test.sh <msi> <wine64> <find_window.exe> <with command line: yes|no>;
# WINEPREFIX and DISPLAY come from the caller.
set -euo pipefail
msi=$1
wine=$2
find_window=$3
with_cli=$4
wine_path() { "$wine" winepath -u "$1" 2>/dev/null; }
fail() { echo "FAILED: $*" >&2; exit 1; }

program='C:\Program Files\Tessavo\Tessavo.exe'
cli='C:\Program Files\Tessavo\tessavo-cli.exe'
# Windows puts the entry of a per-machine product in the Start menu of all users; wine 8
# puts it in the installing user's.
windows_variable() { "$wine" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
programs_menu='Microsoft\Windows\Start Menu\Programs\Tessavo.lnk'
entries=("$(windows_variable ProgramData)\\$programs_menu"
         "$(windows_variable APPDATA)\\$programs_menu")
has_entry() {
    local entry
    for entry in "${entries[@]}"; do
        [ -f "$(wine_path "$entry")" ] && return 0
    done
    return 1
}
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
settings='HKCU\Software\VB and VBA Program Settings\Brakmor\Tessavo'
# The product codes of the Tessavo products installed: the names of their uninstall keys.
installed() {
    "$wine" reg query "$uninstall" /s 2>/dev/null | tr -d '\r' |
        awk '/^HKEY/ { key = $0 } /DisplayName.*REG_SZ.*Tessavo/ { sub(/.*\\/, "", key); print key }'
}
# A run that failed halfway may have left a product behind (each build has a product code
# of its own); it goes first.
for product in $(installed); do timeout 120 "$wine" msiexec /x "$product" /qn || true; done
"$wine" reg delete "$settings" /f >/dev/null 2>&1 || true

timeout 120 "$wine" msiexec /i "$("$wine" winepath -w "$msi" 2>/dev/null)" /qn ||
    fail "msiexec /i"
[ -f "$(wine_path "$program")" ] || fail "no $program"
if [ "$with_cli" = yes ]; then
    [ -f "$(wine_path "$cli")" ] || fail "no $cli"
fi
has_entry || fail "no Start-menu entry"
[ -n "$(installed)" ] || fail "no uninstall entry"

# The program opens its window, which is closed as its close box would close it.
"$wine" "$program" & pid=$!
"$wine" "$find_window" 'Cleaner voor Leica GSI files' --close || fail "the window did not open"
for _ in $(seq 60); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 1
done
kill -0 "$pid" 2>/dev/null && { kill "$pid"; fail "the program did not end"; }
wait "$pid" || fail "the program ended with status $?"
# It closed through its shut-down, which stores the settings.
"$wine" reg query "$settings" /v InputGSI 2>/dev/null | grep -q 'REG_SZ.*C:\\TEST.GSI' ||
    fail "no settings stored"

timeout 120 "$wine" msiexec /x "$("$wine" winepath -w "$msi" 2>/dev/null)" /qn ||
    fail "msiexec /x"
[ ! -e "$(wine_path "$program")" ] || fail "$program is still there"
[ ! -e "$(wine_path "$cli")" ] || fail "$cli is still there"
! has_entry || fail "the Start-menu entry is still there"
[ -z "$(installed)" ] || fail "the uninstall entry is still there"
"$wine" reg delete "$settings" /f >/dev/null 2>&1 || true
echo "installed, started, closed and removed"
