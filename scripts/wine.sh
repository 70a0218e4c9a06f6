#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Wine for the Windows build's tests and pictures: a prefix inside the build folder, a wine
# that asks nothing, and a session on a virtual display. Sourced by build-windows.sh and
# screenshot-windows.sh; the toolchain file gives ctest the same prefix and settings.

# Debian's wine64 package keeps its programs outside PATH, in wine's library folder.
tessavo_wine=/usr/lib/wine

# The prefix in <build>/wine; no Mono or Gecko installer (mscoree, mshtml), no menu entries
# or file associations in the user's desktop (winemenubuilder), no debug output.
tessavo_wine_env() {
    export WINEPREFIX="$(realpath -m "$1")/wine" WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
}

# Runs a command in a wine session on a virtual display: `tessavo_wine_session <build>
# <command...>`. Every step has a time limit: wine that hangs must not hold CI.
# - The first start makes the prefix; it finishes before anything else runs.
# - One wine server serves every wine program of the session, which would otherwise each
#   start and stop one of their own.
# - Wine's services and one desktop for all windows start here, with their output going
#   nowhere: a test program that started them would lend them its output, and ctest would
#   wait for that to close until the test timed out.
tessavo_wine_session() {
    tessavo_wine_env "$1"
    shift
    TESSAVO_WINE="$tessavo_wine" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        set -euo pipefail
        wine="$TESSAVO_WINE"
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            timeout 300 "$wine/wine64" wineboot --init
            timeout 120 "$wine/wineserver" --wait
            # Debian 12 wine64 does not find the fonts of its fonts-wine package (Tahoma, and
            # Marlett, which draws the buttons of the title bar); in the prefix it does.
            cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
        fi
        "$wine/wineserver" --persistent
        trap "\"$wine/wineserver\" --kill || true" EXIT
        timeout 60 "$wine/wine64" sc start rpcss >/dev/null 2>&1 || true
        "$wine/wine64" explorer /desktop=Default,1024x768 >/dev/null 2>&1 &
        timeout 60 xdotool search --sync --name " - Wine desktop" >/dev/null
        "$@"
    ' _ "$@"
}
