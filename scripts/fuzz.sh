#!/usr/bin/env bash
# Builds the decoder fuzz target with clang and runs it: fuzz.sh [SECONDS]
# Inputs that crash are written to build-fuzz/findings; copy them into
# tests/fuzz/corpus so the replay test keeps them from coming back.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-300}"
"$root/scripts/install-deps.sh"
CXX=clang++ "$root/scripts/build.sh" "$root/build-fuzz" -DCMAKE_CXX_COMPILER=clang++ -DFERRULE_FUZZ=ON
work="$root/build-fuzz/corpus"; findings="$root/build-fuzz/findings"
mkdir -p "$work" "$findings"
cp -n "$root"/tests/fuzz/corpus/* "$work"/
LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" \
    "$root/build-fuzz/bin/decoder_fuzzer" "$work" -max_total_time="$seconds" -max_len=2048 \
    -artifact_prefix="$findings/" -print_final_stats=1
