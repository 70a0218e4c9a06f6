#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package. "build": makes it with CPack from the build folder and checks its
# file list, that its desktop entry opens the file type it defines, its Depends, and that
# lintian finds no error or warning and no hardening or manual-page tag. "install" (root
# only; skipped otherwise, and when a tessavo package is installed already): installs it
# with apt-get, runs the installed tessavo-cli, checks that the system knows the file type
# and the program that opens it, and removes the package again.
# Usage: package_test.sh build|install BUILD_FOLDER PACKAGE_FOLDER VERSION
set -euo pipefail
mode=$1 build=$2 out=$3 version=$4
deb="$out/tessavo_${version}_$(dpkg --print-architecture).deb"

if [ "$mode" = build ]; then
    rm -rf "$out"
    cpack --config "$build/CPackConfig.cmake" -B "$out" > "$out.log" 2>&1 ||
        { cat "$out.log"; exit 1; }
    files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | LC_ALL=C sort)
    expected="./usr/bin/tessavo
./usr/bin/tessavo-cli
./usr/share/applications/nl.brakmor.Tessavo.desktop
./usr/share/doc/tessavo/changelog.gz
./usr/share/doc/tessavo/copyright
./usr/share/icons/hicolor/128x128/apps/nl.brakmor.Tessavo.png
./usr/share/icons/hicolor/16x16/apps/nl.brakmor.Tessavo.png
./usr/share/icons/hicolor/256x256/apps/nl.brakmor.Tessavo.png
./usr/share/icons/hicolor/32x32/apps/nl.brakmor.Tessavo.png
./usr/share/icons/hicolor/48x48/apps/nl.brakmor.Tessavo.png
./usr/share/icons/hicolor/64x64/apps/nl.brakmor.Tessavo.png
./usr/share/icons/hicolor/scalable/apps/nl.brakmor.Tessavo.svg
./usr/share/lintian/overrides/tessavo
./usr/share/man/man1/tessavo-cli.1.gz
./usr/share/man/man1/tessavo.1.gz
./usr/share/metainfo/nl.brakmor.Tessavo.metainfo.xml
./usr/share/mime/packages/nl.brakmor.Tessavo.xml"
    diff -u <(echo "$expected") <(echo "$files")

    # The desktop entry takes a file and opens the type that the package defines: a
    # subclass of plain text with the .gsi extension and a Dutch name.
    tree="$out/tree"
    dpkg-deb -x "$deb" "$tree"
    entry="$tree/usr/share/applications/nl.brakmor.Tessavo.desktop"
    grep -qx 'Exec=tessavo %f' "$entry"
    type=$(sed -n 's/^MimeType=\(.*\);$/\1/p' "$entry")
    update-mime-database "$tree/usr/share/mime"
    grep -Fqx "$type text/plain" "$tree/usr/share/mime/subclasses"
    grep -Fqx "50:$type:*.gsi" "$tree/usr/share/mime/globs2"
    grep -Fq '<comment xml:lang="nl">' "$tree/usr/share/mime/$type.xml"

    # The runtime needs no binary shows, and the libraries that the binaries do.
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    names=$(sed 's/ ([^)]*)//g; s/, /\n/g' <<< "$depends")
    for need in qt6-qpa-plugins fonts-liberation qt6-translations-l10n libc6 libstdc++6 \
        libqt6core6 libqt6gui6 libqt6widgets6; do
        if ! grep -Fqx "$need" <<< "$names"; then
            echo "Depends lacks $need"
            exit 1
        fi
    done
    [ "$(dpkg-deb -f "$deb" Section)" = science ]
    report=$(lintian --fail-on error,warning "$deb") || { echo "$report"; exit 1; }
    echo "$report"
    if grep -E ' (hardening-[a-z-]+|no-manual-page) ' <<< "$report"; then exit 1; fi
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "Not root: installing the package is skipped"
    exit 77
fi
if dpkg-query -W -f='${Status}' tessavo 2>/dev/null | grep -q 'install ok installed'; then
    echo "A tessavo package is installed already; it is left alone and this test skipped"
    exit 77
fi
apt=(apt-get -y -qq -o DPkg::Lock::Timeout=60)
trap 'DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge tessavo > /dev/null' EXIT
DEBIAN_FRONTEND=noninteractive "${apt[@]}" install --no-install-recommends "$deb" > /dev/null
[ "$(/usr/bin/tessavo-cli --version)" = "tessavo-cli $version" ]
# The package's triggers have told the system of the file type and of the program for it,
# and take both back on removal.
type=application/x-leica-gsi
registered() {
    [ -f "/usr/share/mime/$type.xml" ] &&
        grep -q "^$type=.*nl.brakmor.Tessavo.desktop" /usr/share/applications/mimeinfo.cache
}
registered
DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge tessavo > /dev/null
trap - EXIT
! registered
