#!/usr/bin/env bash
# Measures Ferrule in a real window under Xvfb, side by side with a generic
# serial terminal (CuteCom) on the same feed, and prints the CPU share of one
# core and the wake-ups per second of each, with the ratio to the targets:
#   bench/window.sh [SECONDS PER SAMPLE] [RUNS]
# Each run samples, in turn: Ferrule with no link open (empty simulated bus),
# Ferrule idle with the simulated link open, Ferrule at the link's full rate
# (the simulator streams 12,800 bytes a second, as a controller echoing a
# blink test at top speed does), and CuteCom idle and at the same rate on a
# pseudo-terminal in hexadecimal display. Figures are medians over the runs.
# Ferrule's figures include the simulated controller, which runs inside it;
# the terminal's feeder is a separate process and is not counted.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
runs="${2:-3}"
rate=12800
settle=3

"$root/scripts/install-deps.sh"
missing=()
for tool in Xvfb:xvfb cutecom:cutecom xdotool:xdotool; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool##*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null
fi
BUILD_TYPE=Release "$root/scripts/build.sh" "$root/build-bench" >/dev/null
bin="$root/build-bench/bin"

work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

display=:91
while [ -e "/tmp/.X11-unix/X${display#:}" ]; do display=":$(( ${display#:} + 1 ))"; done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display" HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME/.config/CuteCom" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

# CPU nanoseconds and voluntary context switches of every thread of a process.
cpu_and_wakes() {
    local ns=0 wakes=0 task run switches
    for task in /proc/"$1"/task/*; do
        read -r run _ <"$task/schedstat" || continue
        switches=$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status" 2>/dev/null || echo 0)
        ns=$((ns + run)); wakes=$((wakes + switches))
    done
    echo "$ns $wakes"
}

# Prints "CPU% WAKES/S" of a process over the sample time.
sample() {
    local before after
    before=$(cpu_and_wakes "$1")
    sleep "$seconds"
    after=$(cpu_and_wakes "$1")
    awk -v b="$before" -v a="$after" -v s="$seconds" 'BEGIN {
        split(b, x, " "); split(a, y, " ");
        printf "%.3f %.0f\n", (y[1] - x[1]) / (s * 1e7), (y[2] - x[2]) / s }'
}

profile="$work/ferrule.INI"
printf '[MyFerruleAp]\nSerDesc=0\nDescString=Quillon Shutter Controller\n' >"$profile"

# ferrule_sample NAME [ENV...]: starts Ferrule on the simulator, samples it, stops it.
ferrule_sample() {
    local name="$1"; shift
    env "$@" "$bin/ferrule" --simulate --profile "$profile" >"$work/ferrule.log" 2>&1 &
    local pid=$!
    sleep "$settle"
    echo "$name $(sample "$pid")" >>"$work/figures"
    kill "$pid"; wait "$pid" 2>/dev/null || true
}

cutecom_samples() {
    "$bin/pty_feeder" "$rate" >"$work/pty" &
    local feeder=$!
    for _ in $(seq 50); do [ -s "$work/pty" ] && break; sleep 0.1; done
    cat >"$HOME/.config/CuteCom/CuteCom5.conf" <<EOF
[sessions]
1\\BaudRate=115200
1\\DataBits=8
1\\Device=$(cat "$work/pty")
1\\FlowControl=0
1\\OpenMode=3
1\\Parity=0
1\\StopBits=1
1\\name=Default
size=1
EOF
    cutecom >"$work/cutecom.log" 2>&1 &
    local pid=$! window=""
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name CuteCom 2>/dev/null | head -1) && [ -n "$window" ] && break
        sleep 0.1
    done
    # Open the port (Alt+O) and switch the display to hexadecimal (Alt+X).
    xdotool windowfocus --sync "$window" key alt+o
    sleep 0.5
    xdotool key alt+x
    sleep "$settle"
    echo "cutecom_idle $(sample "$pid")" >>"$work/figures"
    kill -USR1 "$feeder"
    sleep "$settle"
    echo "cutecom_full $(sample "$pid")" >>"$work/figures"
    kill "$pid" "$feeder"; wait "$pid" "$feeder" 2>/dev/null || true
}

: >"$work/figures"
for run in $(seq "$runs"); do
    echo "run $run of $runs ($seconds s per sample)" >&2
    ferrule_sample ferrule_nolink FERRULE_SIM_DEVICES=
    ferrule_sample ferrule_idle
    ferrule_sample ferrule_full FERRULE_SIM_FEED="$rate"
    cutecom_samples
done

awk '
    { cpu[$1] = cpu[$1] " " $2; wakes[$1] = wakes[$1] " " $3 }
    function median(list,   v, n, i, j, t) {
        n = split(list, v, " ")
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] + 0 < v[i] + 0) { t = v[i]; v[i] = v[j]; v[j] = t }
        return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    END {
        split("ferrule_nolink ferrule_idle ferrule_full cutecom_idle cutecom_full", names, " ")
        printf "%-16s %10s %10s\n", "real window", "CPU %", "wakes/s"
        for (i = 1; i <= 5; i++) {
            n = names[i]; c[n] = median(cpu[n]); w[n] = median(wakes[n])
            printf "%-16s %10.3f %10.0f\n", n, c[n], w[n]
        }
        printf "\n%-34s %10s %10s %8s\n", "target", "figure", "target", "ratio"
        printf "%-34s %10.3f %10.3f %8.2f\n", "idle, link open: CPU % < 0.5", c["ferrule_idle"], 0.5, c["ferrule_idle"] / 0.5
        printf "%-34s %10.3f %10.3f %8s\n", "no link: CPU % not measurable", c["ferrule_nolink"], 0.05, (c["ferrule_nolink"] < 0.05 ? "met" : "missed")
        quarter = c["cutecom_full"] / 4
        printf "%-34s %10.3f %10.3f %8.2f\n", "full rate: CPU % <= CuteCom / 4", c["ferrule_full"], quarter, (quarter > 0 ? c["ferrule_full"] / quarter : 0)
    }' "$work/figures"
