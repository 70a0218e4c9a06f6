#!/usr/bin/env bash
# Builds everything and runs every test. With --sanitize: the engine and the controller
# without Qt, built with AddressSanitizer and UndefinedBehaviorSanitizer, and their tests;
# with --sanitize-threads: the same with ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"

if [ "${1:-}" = "--sanitize" ]; then
    build="$root/build-sanitize"
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTESSAVO_SANITIZE=ON -DTESSAVO_BUILD_GUI=OFF
elif [ "${1:-}" = "--sanitize-threads" ]; then
    build="$root/build-tsan"
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTESSAVO_SANITIZE_THREADS=ON -DTESSAVO_BUILD_GUI=OFF
else
    build="$root/build"
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSAVO_BUILD_GUI=ON
fi
cmake --build "$build" --parallel "$(nproc)"
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"
