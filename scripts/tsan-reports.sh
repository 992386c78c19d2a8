#!/usr/bin/env bash
# Sorts the ThreadSanitizer reports of a test run: tsan-reports.sh LOGDIR
#
# The tests run with TSAN_OPTIONS="log_path=LOGDIR/tsan halt_on_error=0
# exitcode=0", so each process writes its reports to LOGDIR/tsan.PID and the
# reports alone do not fail a test. Qt is not built with ThreadSanitizer, so
# TSan cannot see its locking, and its worker threads (the raster painter's
# pool, for one) produce reports on every run. A report counts against us when
# one of its racing accesses (or, for other kinds of report, one of its main
# stacks) is made by code under src/, drivers/ or tests/: the first frame of the
# stack that is not the sanitizer runtime, libc, libstdc++ or code inlined from
# a system header. A stack whose first such frame is in Qt, glib or another
# library is Qt's own business, even when our code is further down the stack.
#
# Prints the reports against us in full and exits 1 if there are any, or if a
# process died inside ThreadSanitizer (a crash or a fatal sanitizer error: with
# exitcode=0 such a process may still exit with 0). Otherwise prints one
# summary line and exits 0.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 LOGDIR   (the folder given to TSAN_OPTIONS log_path=LOGDIR/tsan)" >&2
    exit 2
fi
logdir="$1"

# Frames carry the absolute source paths the build used; take the repository
# from where this script sits, both as written and with symbolic links resolved.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
root_physical="$(cd "$root" && pwd -P)"

shopt -s nullglob
logs=("$logdir"/tsan.*)
if [ ${#logs[@]} -eq 0 ]; then
    echo "tsan-reports: no ThreadSanitizer logs in $logdir, nothing reported."
    exit 0
fi

LC_ALL=C awk -v root1="$root" -v root2="$root_physical" -v nlogs="${#logs[@]}" '
# The path of FILE relative to the repository when it is in src/, drivers/ or
# tests/ there, else "".
function own(file,    i) {
    for (i = 1; i <= nprefix; i++)
        if (index(file, prefix[i]) == 1) return substr(file, length(rootof[i]) + 2)
    return ""
}
# Frames that only pass the access on from their caller: the sanitizer runtime
# and its interceptors, the C and C++ runtimes, code inlined from system headers
# (std::vector, inline Qt accessors) and moc-generated glue.
function passes_on(file, module) {
    if (index(file, "/libsanitizer/")) return 1
    if (index(file, "/usr/include/") == 1) return 1
    if (index(file, "_autogen/")) return 1
    if (module ~ /^\((libtsan|libc|libstdc\+\+|libgcc_s|libm|libpthread|ld-linux[^.]*)\.so/) return 1
    return 0
}
function logname(    n, parts) {
    n = split(FILENAME, parts, "/")
    return parts[n]
}
function start_report() {
    inreport = 1; nlines = 0; where = ""; reportlog = logname()
    leak = ($0 ~ /ThreadSanitizer: thread leak/)
    main_stack = 1; decided = 0
}
function end_report(    i) {
    inreport = 0; total++
    if (where == "") return
    nours++
    printf "=== %s: ThreadSanitizer report in project code (%s)\n", reportlog, where
    print "=================="
    for (i = 1; i <= nlines; i++) print text[i]
    if (text[nlines] != "==================") print "=================="
    print ""
}
BEGIN {
    split("src/ drivers/ tests/", dirs, " ")
    for (d = 1; d <= 3; d++) {
        prefix[++nprefix] = root1 "/" dirs[d]; rootof[nprefix] = root1
        if (root2 != root1) { prefix[++nprefix] = root2 "/" dirs[d]; rootof[nprefix] = root2 }
    }
}
FNR == 1 {
    if (inreport) end_report()
    fatal_lines = 0
}
/^(==[0-9]+==)?WARNING: ThreadSanitizer:/ {
    if (inreport) end_report()
    fatal_lines = 0
    start_report()
}
# A process that crashed or hit a fatal sanitizer error: show what it printed.
!inreport && /(ERROR|FATAL): ThreadSanitizer|ThreadSanitizer: CHECK failed|ThreadSanitizer:DEADLYSIGNAL|unexpected memory mapping/ {
    if (fatal_lines == 0) {
        nfatal++
        printf "=== %s: a process died under ThreadSanitizer\n", logname()
    }
    fatal_lines = 40
}
!inreport && fatal_lines > 0 {
    print; fatal_lines--
    if (/^SUMMARY: ThreadSanitizer/ || fatal_lines == 0) { fatal_lines = 0; print "" }
    next
}
!inreport { next }
{ text[++nlines] = $0 }
/^==================$/ { end_report(); next }
# A section heading inside a report: the racing accesses, or the stacks that
# only say where the memory, the mutex or the thread came from.
/^  [^ ]/ {
    main_stack = !($0 ~ /^  (Location is|Mutex .* created at|As if synchronized via sleep|SUMMARY:)/ ||
                   ($0 ~ /^  Thread T[0-9]+.* created by/ && !leak))
    decided = 0
    next
}
/^ +#[0-9]+ / {
    if (!main_stack || decided || NF < 3) next
    file = $(NF - 1)
    sub(/:[0-9]+(:[0-9]+)?$/, "", file)
    if (passes_on(file, $NF)) next
    decided = 1
    rel = own(file)
    if (rel != "" && where == "") where = rel substr($(NF - 1), length(file) + 1)
}
END {
    if (inreport) end_report()
    printf "tsan-reports: %d report(s) in %d log(s): %d inside Qt or system libraries only, ignored; %d in project code", \
        total, nlogs, total - nours, nours
    if (nfatal) printf "; %d process(es) died under ThreadSanitizer", nfatal
    print ""
    exit (nours || nfatal) ? 1 : 0
}
' "${logs[@]}"
