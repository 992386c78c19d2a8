#!/usr/bin/env bash
# Builds an optimised Ferrule and prints the received-data path's figures with
# their ratio to what the design promises: bench/run.sh [SECONDS PER RUN]
# Then, with valgrind installed, the instructions one wake-up of the poll
# takes at the stream pace with the link at its full rate, counted by
# callgrind: a figure that does not move with the machine's load.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-g >/dev/null
cmake --build "$root/build-bench" --target poll_bench fsim >/dev/null
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
"$root/build-bench/bin/poll_bench" "${1:-5}"

command -v valgrind >/dev/null || exit 0
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
wakeups=400
valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect='CShutterPanelDlg::Poll()' \
    "$root/build-bench/bin/poll_bench" --wake-ups "$wakeups" >/dev/null 2>&1
instructions=$(awk '/^summary:/ {print $2}' "$out")
awk -v n="$instructions" -v w="$wakeups" 'BEGIN {
    printf "%-62s %10.0f instructions (callgrind)\n", "wake-up at the stream pace, full rate (819 bytes), the poll", n / w }'
