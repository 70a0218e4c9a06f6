#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need, when missing.
# Sourced by run.sh and test.sh; build-windows.sh sets tessavo_deps_helper_only=1 first,
# to use the helper for its own list.
set -euo pipefail

tessavo_packages=(
    build-essential cmake
    googletest libgtest-dev
    qt6-base-dev qt6-translations-l10n libgl-dev
    fonts-liberation
    xvfb xauth
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
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

[ -n "${tessavo_deps_helper_only:-}" ] || tessavo_install_missing "${tessavo_packages[@]}"
