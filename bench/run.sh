#!/usr/bin/env bash
# Builds an optimised Ferrule and prints the received-data path's figures with
# their ratio to the targets: bench/run.sh [SECONDS PER RUN]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
BUILD_TYPE=Release "$root/scripts/build.sh" "$root/build-bench" >/dev/null
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$root/build-bench/bin/poll_bench" "${1:-5}"
