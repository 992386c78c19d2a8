#!/usr/bin/env bash
# Builds an optimised Ferrule and prints what the session record and the
# shutter timeline cost: a run of a hundred thousand cycles, an hour of the
# link test's full-rate stream into a record, the real link test, and Save
# Log As of ten million lines:
#   bench/record.sh [CYCLES [STREAM SECONDS [REAL SECONDS]]]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
BUILD_TYPE=Release "$root/scripts/build.sh" "$root/build-bench" >/dev/null
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$root/build-bench/bin/record_bench" "$@"
