#!/usr/bin/env bash
# Installs what is missing, builds Ferrule and starts it on the simulated
# controller, with a demo profile that opens the simulated device at once.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"

profile="$root/build/demo/ferrule.INI"
if [ ! -f "$profile" ]; then
    mkdir -p "$(dirname "$profile")"
    printf '[MyFerruleAp]\nSerDesc=0\nDescString=Quillon Shutter Controller\n' >"$profile"
fi
exec "$root/build/bin/ferrule" --simulate --profile "$profile" "$@"
