#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian packages that building and running need, those that the tests and the
# package add, and a function that installs the missing ones (with sudo when not root).
# Sourced by the other scripts, which install what they need.
set -euo pipefail

tessavo_build_packages=(build-essential cmake qt6-base-dev libgl-dev)
# The window needs Qt's xcb platform plugin, the fonts its layout is measured with and Qt's
# Dutch texts for its own buttons.
tessavo_run_packages=(qt6-qpa-plugins fonts-liberation qt6-translations-l10n)
# GoogleTest; the validators of the desktop entry and the AppStream data, and the MIME
# database that reads the file type; help2man for the manual pages; what CPack needs to make
# the Debian package (dpkg-shlibdeps, file) and lintian to check it; and a FAT file system
# mounted through FUSE, on which the engine's tests clean files as on a USB stick.
tessavo_test_packages=(
    googletest libgtest-dev
    desktop-file-utils appstream shared-mime-info
    help2man
    dpkg-dev file lintian
    fusefat dosfstools
)

tessavo_install_missing() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    # sudo resets the environment, so the setting goes through env on its far side.
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
