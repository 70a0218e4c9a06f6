#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the engine's libFuzzer targets (the line conversion, a whole run on a file) with
# Clang, AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/ and runs each for
# a bounded time, starting from its corpus in fuzz/corpus/. New inputs and any crash stay in
# build-fuzz/; a crash becomes a regression test.
# Usage: scripts/fuzz.sh [seconds per target, default 30]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
source "$root/scripts/deps.sh"
tessavo_install_missing clang-14 llvm-14 libfuzzer-14-dev libclang-rt-14-dev

build="$root/build-fuzz"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DTESSAVO_FUZZ=ON -DTESSAVO_BUILD_GUI=OFF -DBUILD_TESTING=OFF
cmake --build "$build" --parallel "$(nproc)" --target modGSI_fuzz CleaningRun_fuzz

# Lines up to the 16-bit limit and a little beyond; files of some lines.
declare -A max_len=([modGSI]=33000 [CleaningRun]=4096)
for target in modGSI CleaningRun; do
    mkdir -p "$build/corpus/$target"
    "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$build/${target}-" \
        "$build/corpus/$target" "$root/fuzz/corpus/$target"
done
