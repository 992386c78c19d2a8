#!/usr/bin/env bash
# Where Ferrule's time goes at the link's full rate in a real window: perf
# samples the program (cpu-clock, with call stacks) while it shows a stream
# of 12,800 bytes a second in an Xvfb of its own, fed through its serial back
# end by bench/pty_feeder, and each sample is put under what it was doing:
#   bench/profile.sh [SECONDS]
# Environment: FERRULE_BIN=DIR (the Ferrule to profile, default an optimised
# build with symbols made in build-bench), FEED=lines|blink|all, as for
# bench/window.sh, and PHASE=full|idle (idle: the port open, nothing arriving).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
rate=12800
feed="${FEED:-lines}"
phase="${PHASE:-full}"
case "$phase" in full | idle) ;; *) echo "PHASE is full or idle" >&2; exit 2 ;; esac

source "$root/bench/window_common.sh"
bench_install Xvfb:xvfb perf:linux-perf
bench_build pty_feeder
bench_work

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
"$tools/pty_feeder" --sysfs "$work/sysfs" --bytes "$feed" "$rate" >"$work/pty" &
feeder=$!
pids+=($!)
for _ in $(seq 100); do [ -s "$work/pty" ] && break; sleep 0.1; done
printf '[MyFerruleAp]\nSerDesc=0\nDescString=Quillon Shutter Controller\n' >"$work/ferrule.INI"
DISPLAY=":$(head -1 "$work/display")" HOME="$work" FERRULE_TTY_SYSFS="$work/sysfs/sys" \
    FERRULE_TTY_DEV="$work/sysfs/dev" "$bin/ferrule" --driver tty --profile "$work/ferrule.INI" \
    >"$work/ferrule.log" 2>&1 &
ferrule=$!
pids+=($!)
terminal=$(head -1 "$work/pty")
for _ in $(seq 150); do
    ls -l "/proc/$ferrule/fd" 2>/dev/null | grep -q " -> $terminal\$" && break
    sleep 0.1
done
sleep 2
if [ "$phase" = full ]; then
    kill -USR1 "$feeder"
    what="at $rate bytes a second"
else
    what="with its port open and quiet"
fi
sleep 3
echo "perf, cpu-clock, $seconds s of Ferrule ($bin) $what; load average $(cut -d' ' -f1-3 /proc/loadavg)"
perf record -q -e cpu-clock -F 2000 --call-graph dwarf,16384 -p "$ferrule" -o "$work/perf.data" \
    -- sleep "$seconds" >/dev/null 2>&1
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

# Each sample goes under the first of these its stack shows, looked for from
# the outermost frame in: the poll and its parts, painting and its parts.
perf script -i "$work/perf.data" -F ip,sym 2>/dev/null | awk '
    function classify(stack) {
        if (stack ~ /CShutterPanelDlg::Poll/) {
            if (stack ~ /CommitPending|rowsInserted|LineListView/) return "poll: the log commit (scroll range, follow the end)"
            if (stack ~ /QLineEdit::setText|QWidgetLineControl|ShowCount|WriteInteger/) return "poll: the count box text"
            if (stack ~ /UpdateData/) return "poll: the field exchange"
            if (stack ~ /ftty|FT_Read|FT_GetQueueStatus|Port::/) return "poll: reading the port"
            if (stack ~ /ReplyDecoder|DecodeBatch|AppendRawByte/) return "poll: decoding"
            return "poll: the rest"
        }
        if (stack ~ /QWidgetRepaintManager|QWidgetPrivate::drawWidget|QWidgetPrivate::paintSiblingsRecursive|QWidget::repaint/) {
            if (stack ~ /QXcbBackingStore::flush|QXcbWindow::|xcb_|QWidgetRepaintManager::flush/) return "paint: flush to the X server"
            if (stack ~ /LineListView::paintEvent/) return "paint: the log rows"
            if (stack ~ /QLineEdit::paintEvent/) return "paint: line edits (the count box)"
            if (stack ~ /paintBackground|fillRect|QRasterPaintEngine::fill|fillRegion/) return "paint: background fills"
            if (stack ~ /QScrollBar|QAbstractSlider/) return "paint: scroll bars"
            if (stack ~ /QXcbBackingStore::beginPaint|xcb_wait|_xcb_conn_wait|QXcbConnection::sync|waitForPendingShm/) return "paint: waiting on the X server before the frame"
            return "paint: region work, painter set-up, the rest"
        }
        if (stack ~ /QXcbConnection|xcb_/) return "X events"
        if (stack ~ /g_main_context|QEventDispatcher|QTimerInfoList|QCoreApplication::notify|poll$/) return "event loop"
        return "other"
    }
    NF == 0 { if (stack != "") { count[classify(stack)]++; total++ }; stack = ""; next }
    { $1 = ""; stack = stack ";" $0 }
    END {
        if (stack != "") { count[classify(stack)]++; total++ }
        printf "%d samples\n", total
        for (what in count) printf "%6.1f %%  %s\n", 100 * count[what] / total, what
    }' | { read -r samples; echo "$samples"; sort -k3; }
echo
echo "Self time, top functions:"
# awk rather than head, so that the report is read to its end (no broken pipe).
perf report -i "$work/perf.data" --no-children --sort dso,symbol --stdio -g none 2>/dev/null |
    awk '/^ +[0-9]/ && ++n <= 25'
