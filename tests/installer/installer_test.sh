#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer under wine, for the whole machine and without questions:
# 0. an installer of the same version with a product code of its own (as every build had
#    before) installs Tessavo;
# 1. this build replaces it and installs the programs, the Start-menu entry, "Open with"
#    for .gsi files (leaving the default program of .gsi files alone) and one uninstall
#    entry with the install location; the installed program opens its window and closes it;
# 2. another build of the same version goes over it: still one entry;
# 3. a newer version replaces it: one entry, of the newer version;
# 4. this build over the newer version is refused by its launch condition, and the newer
#    one stays;
# 5. removing it takes everything away again.
# The uninstall entries are listed after each step.
# Usage: installer_test.sh <msi> <earlier msi> <rebuild msi> <newer msi> <version>
#        <newer version> <wine64> <find_window.exe> <with command line: yes|no>;
# WINEPREFIX and DISPLAY come from the caller.
set -euo pipefail
msi=$1 earlier_msi=$2 rebuild_msi=$3 newer_msi=$4 version=$5 newer_version=$6 wine=$7
find_window=$8 with_cli=$9
wine_path() { "$wine" winepath -u "$1" 2>/dev/null; }
windows_path() { "$wine" winepath -w "$1" 2>/dev/null; }
fail() { echo "FAILED: $*" >&2; exit 1; }
trap 'echo "FAILED: line $LINENO: $BASH_COMMAND" >&2' ERR

folder='C:\Program Files\Tessavo\'
program="${folder}Tessavo.exe"
cli="${folder}tessavo-cli.exe"
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
# A registry value's data; nothing when the key or the value is missing. /ve is the key's
# default value.
value() {
    local name=(/v "$2")
    [ "$2" = /ve ] && name=(/ve)
    "$wine" reg query "$1" "${name[@]}" 2>/dev/null | tr -d '\r' |
        sed -nE 's/^ +(\S.*)? +REG_[A-Z_]+ *(.*)$/\2/p'
}
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
settings='HKCU\Software\VB and VBA Program Settings\Brakmor\Tessavo'
classes='HKLM\Software\Classes'
# The product codes of the Tessavo products installed: the names of their uninstall keys.
installed() {
    # reg fails when the key is missing: the listing is then empty, and the checks after it
    # say what is wrong.
    { "$wine" reg query "$uninstall" /s 2>/dev/null || true; } | tr -d '\r' | awk '
        /^HKEY/ { key = $0 }
        /DisplayName.*REG_SZ.*Tessavo/ { sub(/.*\\/, "", key); print key }'
}
report() {
    local product
    echo "Uninstall entries after $1:"
    for product in $(installed); do
        echo "  $product DisplayVersion=$(value "$uninstall\\$product" DisplayVersion)" \
            "InstallLocation=$(value "$uninstall\\$product" InstallLocation)"
    done
}
# Exactly one Tessavo, of the given version, in the program folder.
one_entry_of() {
    local products
    products=$(installed)
    [ "$(wc -w <<< "$products")" -eq 1 ] || fail "$(wc -w <<< "$products") uninstall entries"
    [ "$(value "$uninstall\\$products" DisplayVersion)" = "$1" ] ||
        fail "the entry is not of version $1"
    [ "$(value "$uninstall\\$products" InstallLocation)" = "$folder" ] ||
        fail "the entry has no install location"
}
msiexec() { timeout 120 "$wine" msiexec "$1" "$(windows_path "$2")" /qn "${@:3}"; }
# Installs an installer and checks that one Tessavo is installed then, of the given version.
install() {
    msiexec /i "$1" || fail "msiexec /i of $2"
    report "installing $2"
    one_entry_of "$3"
}

# A run that failed halfway may have left a product behind; it goes first.
for product in $(installed); do timeout 120 "$wine" msiexec /x "$product" /qn || true; done
"$wine" reg delete "$settings" /f >/dev/null 2>&1 || true
# Another program is the default for .gsi files; the installer leaves it so.
"$wine" reg add "$classes\\.gsi" /ve /d Other.GSIFile /f >/dev/null

# The installer carries the program's own file version.
file_version=$(msiinfo export "$msi" File | awk -F'\t' '$3 ~ /Tessavo\.exe$/ { print $5 }')
[ "$file_version" = "$(sed -E 's/^([0-9]+)\.([0-9]+)\./\1.\2.0./' <<< "$version")" ] ||
    fail "the File table gives Tessavo.exe the version '$file_version'"

install "$earlier_msi" "an earlier installer of $version" "$version"
install "$msi" "this build ($version)" "$version"
[ -f "$(wine_path "$program")" ] || fail "no $program"
if [ "$with_cli" = yes ]; then
    [ -f "$(wine_path "$cli")" ] || fail "no $cli"
fi
has_entry || fail "no Start-menu entry"
echo "Open with:"
"$wine" reg query "$classes\\Tessavo.GSIFile" /s 2>/dev/null | tr -d '\r' | grep -v '^$'
"$wine" reg query "$classes\\.gsi" /s 2>/dev/null | tr -d '\r' | grep -v '^$'
[ "$(value "$classes\\Tessavo.GSIFile\\shell\\open\\command" /ve)" = "\"$program\" \"%1\"" ] ||
    fail "no open command"
"$wine" reg query "$classes\\.gsi\\OpenWithProgids" /v Tessavo.GSIFile >/dev/null 2>&1 ||
    fail "Tessavo.GSIFile is not among the programs that open .gsi files"
[ "$(value "$classes\\.gsi" /ve)" = Other.GSIFile ] || fail "the default program was changed"

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
[ -n "$(value "$settings" InputGSI)" ] || fail "no settings stored"

install "$rebuild_msi" "another build of $version" "$version"
install "$newer_msi" "$newer_version" "$newer_version"

log='C:\windows\temp\tessavo-downgrade.log'
rm -f "$(wine_path "$log")"
msiexec /i "$msi" /l*v "$log" && fail "$version was installed over $newer_version"
grep -q 'LaunchConditions. Return value 0' "$(wine_path "$log")" ||
    fail "the downgrade was not refused by the launch condition"
report "trying $version over $newer_version"
one_entry_of "$newer_version"
[ -f "$(wine_path "$program")" ] || fail "$program went"

msiexec /x "$newer_msi" || fail "msiexec /x"
report "removing it"
[ -z "$(installed)" ] || fail "the uninstall entry is still there"
[ ! -e "$(wine_path "$program")" ] || fail "$program is still there"
[ ! -e "$(wine_path "$cli")" ] || fail "$cli is still there"
! has_entry || fail "the Start-menu entry is still there"
"$wine" reg query "$classes\\Tessavo.GSIFile" >/dev/null 2>&1 &&
    fail "Tessavo.GSIFile is still there"
"$wine" reg query "$classes\\.gsi\\OpenWithProgids" /v Tessavo.GSIFile >/dev/null 2>&1 &&
    fail "Tessavo.GSIFile is still among the programs that open .gsi files"
[ "$(value "$classes\\.gsi" /ve)" = Other.GSIFile ] || fail "the default program was changed"
"$wine" reg delete "$classes\\.gsi" /f >/dev/null 2>&1 || true
"$wine" reg delete "$settings" /f >/dev/null 2>&1 || true
echo "installed, upgraded, refused a downgrade, started, closed and removed"
