#!/usr/bin/env bash
# Builds Ferrule and prints the reconnect figures with their ratio to the
# targets: the time from replugging the controller (ferrule-sim in a fake
# sysfs tree, on the serial back end) to "USB ready for communication.", the
# CPU spent waiting for the device, and a cable that comes and goes every
# 100 ms.   bench/reconnect.sh [REPLUGS] [WAIT SECONDS] [FLAP SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
BUILD_TYPE=Release "$root/scripts/build.sh" "$root/build-bench" >/dev/null
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
    "$root/build-bench/bin/reconnect_bench" "${1:-10}" "${2:-10}" "${3:-60}" 2>/dev/null
