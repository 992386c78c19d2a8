#!/usr/bin/env bash
# Builds an optimised Ferrule and prints ferrule-ctl serve's reconnect figures
# on ferrule-sim (the serial back end, a fake sysfs tree): the time from
# replugging the controller to the watchers' link-back event, the CPU serve
# spends with the link up and while it waits for a pulled device, and a device
# that comes and goes every 100 ms (lines printed, memory, descriptors, and
# whether it answers once the device settles). Never asserts.
#   bench/serve_reconnect.sh [WAIT SECONDS] [FLAP SECONDS]
# FERRULE_BENCH_BUILD names an existing build folder to use instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FERRULE_BENCH_BUILD:-}"
if [ -z "$build" ]; then
    "$root/scripts/install-deps.sh"
    BUILD_TYPE=Release "$root/scripts/build.sh" "$root/build-bench" >/dev/null
    build="$root/build-bench"
fi
bin="$build/bin"
wait_s="${1:-20}"
flap_s="${2:-60}"
work="$(mktemp -d)"
sim=""
serve=""
cleanup() {
    kill -TERM $serve $sim 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export FERRULE_TTY_SYSFS="$work/fake/sys" FERRULE_TTY_DEV="$work/fake/dev"
socket="$work/ferrule.sock"
hz="$(getconf CLK_TCK)"

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
resident() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }
now() { date +%s.%N; }
plug() {
    "$bin/ferrule-sim" --fake-sysfs "$work/fake" --port "$1" >/dev/null 2>&1 &
    sim=$!
    until [ -e "$work/fake/dev/ttyUSB$1" ]; do sleep 0.01; done
}
pull() {
    kill -TERM "$sim"
    wait "$sim" 2>/dev/null || true
}
cpu_share() { # ticks seconds
    awk -v t="$1" -v hz="$hz" -v s="$2" 'BEGIN { printf "%.3f", 100 * t / hz / s }'
}
# One request through the socket; its reply line.
ask() {
    python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1])
s.sendall((sys.argv[2] + "\n").encode())
print(s.makefile().readline().rstrip())' "$socket" "$1"
}

plug 0
"$bin/ferrule-ctl" serve --driver "$bin/libftty.so" --device QSC00001 --socket "$socket" \
    >"$work/serve.out" 2>&1 &
serve=$!
until [ -S "$socket" ]; do sleep 0.05; done

t0="$(ticks "$serve")"; sleep "$wait_s"; t1="$(ticks "$serve")"
up_share="$(cpu_share $((t1 - t0)) "$wait_s")"
pull
sleep 1
t0="$(ticks "$serve")"; sleep "$wait_s"; t1="$(ticks "$serve")"
waiting_share="$(cpu_share $((t1 - t0)) "$wait_s")"
echo "CPU of serve: link up and idle ${up_share}% of a core; waiting for the device" \
    "${waiting_share}% (${wait_s} s each, 1/${hz} s ticks; target: waiting costs well under 0.1%" \
    "of a core more than an idle link; ratio $(awk -v w="$waiting_share" -v u="$up_share" \
    'BEGIN { d = w - u; printf "%.2f", (d < 0 ? 0 : d) / 0.1 }'))"

# Replugged as ttyUSB1: the time until a watcher hears link-back.
python3 - "$socket" >"$work/watch.out" <<'PY' &
import socket, sys, time
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1])
s.sendall(b"watch\n")
for line in s.makefile():
    if '"link-back"' in line:
        print(time.time())
        break
    if '"ok"' in line:
        print("ready", flush=True)
PY
watcher=$!
until grep -q ready "$work/watch.out"; do sleep 0.05; done
replugged="$(now)"
plug 1
wait "$watcher"
back="$(tail -n 1 "$work/watch.out")"
echo "replug to link-back: $(awk -v a="$replugged" -v b="$back" 'BEGIN { printf "%.0f", 1000 * (b - a) }') ms" \
    "(target: within a look a second and Open's 150 ms, 1150 ms)"

lines0="$(wc -l <"$work/serve.out")"
rss0="$(resident "$serve")"
fds0="$(ls "/proc/$serve/fd" | wc -l)"
flaps=0
end=$((SECONDS + flap_s))
while [ "$SECONDS" -lt "$end" ]; do
    pull
    sleep 0.1
    plug $((flaps % 2))
    sleep 0.1
    flaps=$((flaps + 1))
done
settled="$(now)"
until ask status | grep -q '"shutter"'; do
    sleep 0.1
    if [ "$(awk -v a="$settled" -v b="$(now)" 'BEGIN { print (b - a > 30) }')" = 1 ]; then
        break
    fi
done
answered="$(now)"
lines=$(($(wc -l <"$work/serve.out") - lines0))
echo "a device that comes and goes every 100 ms for ${flap_s} s ($flaps replugs): $lines lines" \
    "from serve, status answered $(awk -v a="$settled" -v b="$answered" 'BEGIN { printf "%.1f", b - a }') s" \
    "after it settled, resident memory ${rss0} -> $(resident "$serve") KiB, descriptors" \
    "${fds0} -> $(ls "/proc/$serve/fd" | wc -l) (target: a few lines, up within 5 s; lines/5" \
    "$(awk -v l="$lines" 'BEGIN { printf "%.2f", l / 5 }'))"
