#!/usr/bin/env bash
# Starts Ferrule on the simulated controller in a virtual display with the
# accessibility bus running, and prints what a screen reader meets:
#   scripts/screen-reader-view.sh [STEP...]   (steps: see screen_reader_view.py)
# e.g. scripts/screen-reader-view.sh press:Search select:1
#      scripts/screen-reader-view.sh keys:ctrl+t 'text:Repeat Cycle Number:=10' \
#          'press:Send to Controller' press:Go wait:2     (the timeline's cycle table)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ -z "${FERRULE_IN_SESSION:-}" ]; then
    "$root/scripts/install-deps.sh"
    for p in python3-pyatspi at-spi2-core dbus xdotool; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || {
            echo "Installing $p"; ${SUDO:-$( [ "$(id -u)" -ne 0 ] && echo sudo )} apt-get install -y -qq "$p"; }
    done
    "$root/scripts/build.sh" "$root/build" >/dev/null
    FERRULE_IN_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi
display=":$((90 + RANDOM % 9))"
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb ${app:-} 2>/dev/null || true' EXIT
export DISPLAY="$display" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
sleep 1
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
sleep 1
profile="$(mktemp -d)/ferrule.INI"
printf '[MyFerruleAp]\nSerDesc=0\nDescString=Quillon Shutter Controller\n' >"$profile"
# FERRULE_ARGS: more options for the program, e.g. "--record FILE".
# shellcheck disable=SC2086
"$root/build/bin/ferrule" --simulate --profile "$profile" ${FERRULE_ARGS:-} >/dev/null 2>&1 &
app=$!
/usr/bin/python3 "$root/scripts/screen_reader_view.py" "$@"
