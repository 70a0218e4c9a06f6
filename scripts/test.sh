#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and testing need, builds everything and runs every test.
# Usage: test.sh [--sanitize | --sanitize-threads] [CMake options...]
#   --sanitize          everything, the Qt window included, built with AddressSanitizer
#                       and UndefinedBehaviorSanitizer, into build-sanitize/
#   --sanitize-threads  everything but the Qt window built with ThreadSanitizer (the
#                       engine reads and writes on threads of its own), into build-tsan/
# Further arguments go to CMake, e.g. -DTESSAVO_WERROR=ON.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
tessavo_install_missing "${tessavo_build_packages[@]}" "${tessavo_run_packages[@]}" \
    "${tessavo_test_packages[@]}"

case "${1:-}" in
    --sanitize)
        shift
        build="$root/build-sanitize"
        options=(-DCMAKE_BUILD_TYPE=Debug -DTESSAVO_SANITIZE=ON -DTESSAVO_BUILD_GUI=ON)
        ;;
    --sanitize-threads)
        shift
        build="$root/build-tsan"
        options=(-DCMAKE_BUILD_TYPE=Debug -DTESSAVO_SANITIZE_THREADS=ON -DTESSAVO_BUILD_GUI=OFF)
        ;;
    *)
        build="$root/build"
        options=(-DCMAKE_BUILD_TYPE=Release -DTESSAVO_BUILD_GUI=ON)
        ;;
esac
cmake -S "$root" -B "$build" "${options[@]}" -DBUILD_TESTING=ON "$@"
cmake --build "$build" --parallel "$(nproc)"
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"
