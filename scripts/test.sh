#!/usr/bin/env bash
# Installs what is missing, builds Ferrule and runs every test:
# test.sh [BUILD DIR [CMAKE ARGS...]]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build}"; shift || true
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$dir" "$@"
cd "$dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 300
