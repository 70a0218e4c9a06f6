#!/usr/bin/env bash
# Builds the program and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSAVO_BUILD_GUI=ON
cmake --build "$build" --parallel "$(nproc)" --target tessavo
exec "$build/app/tessavo" "$@"
