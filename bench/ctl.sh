#!/usr/bin/env bash
# Builds an optimised Ferrule and prints the socket server's figures: commands
# a second through the socket, and the time from a `shutter open` line to its
# byte at the (simulated) controller, median and p99:
#   bench/ctl.sh [COMMANDS] [SAMPLES]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
BUILD_TYPE=Release "$root/scripts/build.sh" "$root/build-bench" >/dev/null
"$root/build-bench/bin/ctl_bench" "${1:-1000}" "${2:-400}"
