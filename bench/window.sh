#!/usr/bin/env bash
# Measures Ferrule in a real window at the same time as a generic serial
# terminal, CuteCom, on the same bytes, and prints the share of one core each
# takes, the share its X server takes on its behalf, and their ratio:
#   bench/window.sh [SECONDS PER SAMPLE] [RUNS]
#
# Every program runs in an X server of its own (Xvfb, 1280x1024x24), so that
# the X server's work each one causes is counted apart, and reads its own
# pseudo-terminal, fed by its own bench/pty_feeder with the same bytes at the
# same rate: Ferrule through its serial back end (libftty.so; the terminal is
# presented as an FTDI port in a fake sysfs tree), CuteCom directly (with
# bench/pty_modem_lines.cpp preloaded, without which it refuses a
# pseudo-terminal). Nothing else runs inside the measured processes: the
# feeders are processes of their own, reported apart. All programs are
# sampled over the same seconds, in every run:
#   nolink  Ferrule with no device to open
#   idle    every program with its port open, nothing arriving
#   full    the link's full rate, 12,800 bytes a second, after a settling time
# Figures are medians over the runs with the lowest and highest beside them;
# ratios are taken within each run, between programs measured together.
#
# Environment:
#   FERRULE_BIN=DIR   the Ferrule to measure: a build's bin folder (default: an
#                     optimised build made in build-bench)
#   COMPARE_BIN=DIR   a second Ferrule measured beside it, at the same time and
#                     in its own X server (for example the build before a change)
#   FEED=lines|blink|all  the bytes, over and over:
#                     lines (default): 0x40-0x4E and a line feed, sixteen-byte
#                     lines, plain bytes to Ferrule and short lines to CuteCom;
#                     blink: 0x40-0x4F, a link test's echo at top speed (no line
#                     ends: CuteCom's text view then keeps laying out one
#                     growing line and cannot keep up, so it is no fair yardstick);
#                     all: every byte value in turn (Ferrule then also decodes an
#                     information reply and two shutter reports every 256 bytes,
#                     CuteCom shows a line of 256 with control characters)
#   CUTECOM_VIEW=plain|hex  plain (default): CuteCom's text view, which follows
#                     the end as text arrives; hex: its hex view, which stays
#                     where it is once the first page is full (it does not
#                     follow the end), so it paints far less
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
runs="${2:-3}"
rate=12800
settle=4
feed="${FEED:-lines}"
view="${CUTECOM_VIEW:-plain}"
case "$feed" in lines | blink | all) ;; *) echo "FEED is lines, blink or all" >&2; exit 2 ;; esac
case "$view" in plain | hex) ;; *) echo "CUTECOM_VIEW is plain or hex" >&2; exit 2 ;; esac

source "$root/bench/window_common.sh"
bench_install Xvfb:xvfb cutecom:cutecom xdotool:xdotool
bench_build pty_feeder pty_modem_lines
compare="${COMPARE_BIN:-}"
bench_work

subjects=(ferrule)
[ -n "$compare" ] && subjects+=(compare)
subjects+=(cutecom)
declare -A display pid
for s in "${subjects[@]}"; do
    # Xvfb picks a free display itself and tells which.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/$s.display" >/dev/null 2>&1 &
    pid[${s}_x]=$!
    pids+=($!)
done
for s in "${subjects[@]}"; do
    for _ in $(seq 100); do [ -s "$work/$s.display" ] && break; sleep 0.1; done
    display[$s]=":$(head -1 "$work/$s.display")"
done
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME/.config/CuteCom" "$XDG_RUNTIME_DIR" "$work/empty/sys" "$work/empty/dev"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[MyFerruleAp]\nSerDesc=0\nDescString=Quillon Shutter Controller\n' >"$work/ferrule.INI"

# One line per measured process, "label cpu-ns voluntary-switches rss-kib
# written-bytes", then "machine busy-ticks all-ticks" and "clock seconds",
# read in one pass so that every figure covers the same moment.
snapshot() {
    local label list=""
    for label in "${!pid[@]}"; do list+="$label=${pid[$label]} "; done
    awk -v list="$list" 'BEGIN {
        n = split(list, entries, " ")
        for (i = 1; i <= n; i++) {
            split(entries[i], pair, "="); label = pair[1]; p = pair[2]
            if ((getline line < ("/proc/" p "/stat")) <= 0) continue
            close("/proc/" p "/stat")
            ns = 0; wakes = 0; rss = 0; io = 0
            cmd = "ls /proc/" p "/task 2>/dev/null"
            while ((cmd | getline task) > 0) {
                f = "/proc/" p "/task/" task "/schedstat"
                if ((getline line < f) > 0) { split(line, v, " "); ns += v[1] }
                close(f)
                f = "/proc/" p "/task/" task "/status"
                while ((getline line < f) > 0) if (line ~ /^voluntary_ctxt_switches/) { split(line, v, " "); wakes += v[2] }
                close(f)
            }
            close(cmd)
            f = "/proc/" p "/status"
            while ((getline line < f) > 0) if (line ~ /^VmRSS/) { split(line, v, " "); rss = v[2] }
            close(f)
            f = "/proc/" p "/io"
            while ((getline line < f) > 0) if (line ~ /^wchar/) { split(line, v, " "); io = v[2] }
            close(f)
            print label, ns, wakes, rss, io
        }
        getline line < "/proc/stat"; split(line, v, " ")
        busy = v[2] + v[3] + v[4] + v[7] + v[8]
        print "machine", busy, busy + v[5] + v[6]
        getline line < "/proc/uptime"; split(line, v, " ")
        print "clock", v[1]
    }'
}

# sample RUN PHASE: every process over the sample time, into the figures.
# Rates are over the time that really passed between the two snapshots.
sample() {
    local before after
    before=$(snapshot)
    sleep "$seconds"
    after=$(snapshot)
    awk -v run="$1" -v phase="$2" -v tick="$(getconf CLK_TCK)" -v cores="$(nproc)" \
        -v load="$(cut -d' ' -f1 /proc/loadavg)" '
        NR == FNR { a[$1] = $2; b[$1] = $3; c[$1] = $4; d[$1] = $5; next }
        { x[$1] = $2; y[$1] = $3; z[$1] = $4; w[$1] = $5 }
        END {
            s = x["clock"] - a["clock"]
            for (label in x) {
                if (label == "clock" || label == "machine" || !(label in a)) continue
                cpu = (x[label] - a[label]) / (s * 1e7); ours += cpu
                printf "%s %s %s cpu %.4f\n", run, phase, label, cpu
                printf "%s %s %s wakes %.1f\n", run, phase, label, (y[label] - b[label]) / s
                printf "%s %s %s rss %d\n", run, phase, label, z[label] - c[label]
                printf "%s %s %s fed %.0f\n", run, phase, label, (w[label] - d[label]) / s
            }
            busy = (x["machine"] - a["machine"]) / tick / s * 100
            printf "%s %s others cpu %.4f\n", run, phase, busy - ours
            printf "%s %s load cpu %s\n", run, phase, load
            printf "%s %s machine cpu %.4f\n", run, phase, busy / cores
            printf "%s %s seconds cpu %.2f\n", run, phase, s
        }' <(echo "$before") <(echo "$after") >>"$work/figures"
}

# start_ferrule SUBJECT BIN SYSFS: Ferrule on its serial back end in its own X server.
start_ferrule() {
    DISPLAY="${display[$1]}" FERRULE_TTY_SYSFS="$3/sys" FERRULE_TTY_DEV="$3/dev" \
        "$2/ferrule" --driver tty --profile "$work/ferrule.INI" >>"$work/$1.log" 2>&1 &
    pid[$1]=$!
    pids+=($!)
}

start_feeder() {
    rm -rf "$work/$1.sysfs"
    "$tools/pty_feeder" --sysfs "$work/$1.sysfs" --bytes "$feed" "$rate" >"$work/$1.pty" &
    pid[${1}_feed]=$!
    pids+=($!)
    for _ in $(seq 100); do [ -s "$work/$1.pty" ] && break; sleep 0.1; done
}

# Waits until a process holds its pseudo-terminal open.
wait_for_port() {
    local terminal
    terminal=$(head -1 "$work/$2.pty")
    for _ in $(seq 150); do
        if ls -l "/proc/${pid[$1]}/fd" 2>/dev/null | grep -q " -> $terminal\$"; then
            return 0
        fi
        sleep 0.1
    done
    echo "$1 did not open $terminal" >&2
    return 1
}

start_cutecom() {
    cat >"$HOME/.config/CuteCom/CuteCom5.conf" <<EOF
[sessions]
1\\BaudRate=115200
1\\DataBits=8
1\\Device=$(head -1 "$work/cutecom.pty")
1\\FlowControl=0
1\\OpenMode=3
1\\Parity=0
1\\StopBits=1
1\\autoReconnect=false
1\\name=Default
1\\showCtrlCharacters=false
1\\showTimestamp=false
size=1
EOF
    DISPLAY="${display[cutecom]}" LD_PRELOAD="$tools/libpty_modem_lines.so" \
        cutecom >>"$work/cutecom.log" 2>&1 &
    pid[cutecom]=$!
    pids+=($!)
    local window=""
    for _ in $(seq 150); do
        window=$(DISPLAY="${display[cutecom]}" xdotool search --onlyvisible --name CuteCom 2>/dev/null |
            head -1) && [ -n "$window" ] && break
        sleep 0.1
    done
    # Open the port (Alt+O); the hex view is Alt+X.
    DISPLAY="${display[cutecom]}" xdotool windowfocus --sync "$window" key alt+o
    wait_for_port cutecom cutecom
    if [ "$view" = hex ]; then
        sleep 0.5
        DISPLAY="${display[cutecom]}" xdotool key alt+x
    fi
}

stop() {
    local label
    for label in "$@"; do
        [ -n "${pid[$label]:-}" ] || continue
        kill "${pid[$label]}" 2>/dev/null || true
        wait "${pid[$label]}" 2>/dev/null || true
        unset "pid[$label]"
    done
}

: >"$work/figures"
for run in $(seq "$runs"); do
    echo "run $run of $runs ($seconds s per sample), load average $(cut -d' ' -f1-3 /proc/loadavg)" >&2
    start_ferrule ferrule "$bin" "$work/empty"
    [ -n "$compare" ] && start_ferrule compare "$compare" "$work/empty"
    sleep "$settle"
    sample "$run" nolink
    stop ferrule compare

    for s in "${subjects[@]}"; do start_feeder "$s"; done
    start_ferrule ferrule "$bin" "$work/ferrule.sysfs"
    [ -n "$compare" ] && start_ferrule compare "$compare" "$work/compare.sysfs"
    start_cutecom
    wait_for_port ferrule ferrule
    [ -n "$compare" ] && wait_for_port compare compare
    sleep "$settle"
    sample "$run" idle
    for s in "${subjects[@]}"; do kill -USR1 "${pid[${s}_feed]}"; done
    sleep "$settle"
    sample "$run" full
    stop "${subjects[@]}"
    for s in "${subjects[@]}"; do stop "${s}_feed"; done
done

source_state=""
if [ -z "${FERRULE_BIN:-}" ]; then
    source_state=" (commit $(git -C "$root" log -1 --format=%h 2>/dev/null || echo unknown)$(
        git -C "$root" diff --quiet HEAD 2>/dev/null || echo ", with uncommitted changes"))"
fi
echo
echo "Ferrule from $bin$source_state${compare:+, and the Ferrule from $compare as \"compare\"};"
echo "CuteCom $(dpkg-query -W -f='${Version}' cutecom 2>/dev/null) in its $view view" \
    "($( [ "$view" = plain ] && echo "text as received, following the end" ||
        echo "hex, which does not follow the end"); no timestamps)."
case "$feed" in
    lines) bytes="0x40-0x4E and a line feed (0x0A), over and over" ;;
    blink) bytes="0x40-0x4F over and over (a link test's echo, no line ends)" ;;
    all) bytes="every byte value in turn" ;;
esac
echo "Each in its own Xvfb 1280x1024x24, each fed by its own pseudo-terminal: $bytes, at $rate bytes a second."
echo "$runs runs of $seconds s per sample, $(nproc) cores; figures are medians [lowest-highest] over the runs."
awk -v subjects="${subjects[*]}" '
    function sortlist(list, v,   n, i, j, t) {
        n = split(list, v, " ")
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] + 0 < v[i] + 0) { t = v[i]; v[i] = v[j]; v[j] = t }
        return n
    }
    function median(list,   v, n) {
        n = sortlist(list, v)
        return n == 0 ? 0 : n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    function spread(list, format,   v, n) {
        n = sortlist(list, v)
        return n == 0 ? "" : sprintf("%s [" format "-" format "]", sprintf(format, median(list)), v[1], v[n])
    }
    { value[$2 " " $3 " " $4] = value[$2 " " $3 " " $4] " " $5; at[$1 " " $2 " " $3 " " $4] = $5; run[$1] = 1 }
    END {
        n = split(subjects, names, " ")
        printf "\nEach run at full rate, CPU %% of a core (program + its Xvfb):\n%-4s %-6s", "run", "load"
        for (i = 1; i <= n; i++) printf " %-18s", names[i]
        printf "\n"
        for (r = 1; (r in run); r++) {
            printf "%-4s %-6s", r, at[r " full load cpu"]
            for (i = 1; i <= n; i++) printf " %-18s", sprintf("%.3f + %.3f", at[r " full " names[i] " cpu"], at[r " full " names[i] "_x cpu"])
            printf "\n"
        }
        printf "\n%-8s %-7s %-24s %-24s %-24s %-10s\n", "program", "sample", "CPU % of a core", "its Xvfb, CPU %", "both, CPU %", "wakes/s"
        split("nolink idle full", phases, " ")
        for (p = 1; p <= 3; p++) for (i = 1; i <= n; i++) {
            s = names[i]; ph = phases[p]
            if (!((ph " " s " cpu") in value)) continue
            both = ""
            for (r in run) if ((r " " ph " " s " cpu") in at) both = both " " (at[r " " ph " " s " cpu"] + at[r " " ph " " s "_x cpu"])
            printf "%-8s %-7s %-24s %-24s %-24s %-10s\n", s, ph, spread(value[ph " " s " cpu"], "%.3f"),
                spread(value[ph " " s "_x cpu"], "%.3f"), spread(both, "%.3f"), spread(value[ph " " s " wakes"], "%.0f")
        }
        printf "\n%-8s %-7s %-24s\n", "feeder", "sample", "bytes/s written"
        for (i = 1; i <= n; i++) printf "%-8s %-7s %-24s\n", names[i], "full", spread(value["full " names[i] "_feed fed"], "%.0f")
        printf "\n%-8s %-24s\n", "program", "memory growth at full rate, bytes per byte received"
        for (i = 1; i <= n; i++) {
            list = ""
            for (r in run) if ((r " full " names[i] " rss") in at && at[r " full " names[i] "_feed fed"] > 0)
                list = list " " at[r " full " names[i] " rss"] * 1024 / (at[r " full " names[i] "_feed fed"] * at[r " full seconds cpu"])
            printf "%-8s %-24s\n", names[i], spread(list, "%.1f")
        }
        printf "\nmachine load during the samples: load average %s; all cores busy %%: %s; other processes, %% of a core: %s\n",
            spread(value["full load cpu"], "%.2f"), spread(value["full machine cpu"], "%.1f"), spread(value["full others cpu"], "%.1f")

        printf "\n%-58s %-24s %s\n", "target (ratios within each run)", "figure", "target"
        for (i = 1; i < n; i++) {
            s = names[i]; alone = ""; withx = ""
            for (r in run) {
                c = at[r " full cutecom cpu"]; cx = c + at[r " full cutecom_x cpu"]
                if (c > 0) alone = alone " " at[r " full " s " cpu"] / c
                if (cx > 0) withx = withx " " (at[r " full " s " cpu"] + at[r " full " s "_x cpu"]) / cx
            }
            printf "%-58s %-24s %s\n", s " full rate / CuteCom full rate", spread(alone, "%.3f"), "<= 0.25"
            printf "%-58s %-24s %s\n", s " full rate / CuteCom, each with its Xvfb", spread(withx, "%.3f"), "(X server included)"
            printf "%-58s %-24s %s\n", s " idle, link open: CPU %", spread(value["idle " s " cpu"], "%.3f"), "< 0.25"
            printf "%-58s %-24s %s\n", s " no link: CPU %", spread(value["nolink " s " cpu"], "%.3f"), "0 (< 0.01)"
        }
        if (n == 3) {
            alone = ""; withx = ""
            for (r in run) {
                c = at[r " full compare cpu"]; cx = c + at[r " full compare_x cpu"]
                if (c > 0) alone = alone " " at[r " full ferrule cpu"] / c
                if (cx > 0) withx = withx " " (at[r " full ferrule cpu"] + at[r " full ferrule_x cpu"]) / cx
            }
            printf "%-58s %-24s\n", "ferrule full rate / compare full rate", spread(alone, "%.3f")
            printf "%-58s %-24s\n", "ferrule full rate / compare, each with its Xvfb", spread(withx, "%.3f")
        }
    }' "$work/figures"
