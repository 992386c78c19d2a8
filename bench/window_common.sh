# Shared by the benches that run Ferrule in a real window (window.sh,
# profile.sh); sourced, with $root set to the source folder.

# bench_install TOOL:PACKAGE...: installs the packages of the tools missing.
bench_install() {
    "$root/scripts/install-deps.sh"
    local missing=() tool
    for tool in "$@"; do
        command -v "${tool%%:*}" >/dev/null || missing+=("${tool##*:}")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null
    fi
}

# bench_build TARGET...: builds the bench's tools, and Ferrule itself unless
# FERRULE_BIN names one, optimised with symbols for a profiler (they change
# no code). Sets tools (the tools' folder) and bin (the Ferrule measured).
bench_build() {
    local targets=("$@")
    [ -n "${FERRULE_BIN:-}" ] || targets+=(ferrule ftty fsim)
    cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CXX_FLAGS=-g >/dev/null
    cmake --build "$root/build-bench" --target "${targets[@]}" >/dev/null
    tools="$root/build-bench/bin"
    bin="${FERRULE_BIN:-$tools}"
}

# bench_work: a scratch folder in $work; every process whose PID is added to
# pids is stopped, and the folder removed, when the script ends.
bench_work() {
    work="$(mktemp -d)"
    pids=()
    trap bench_cleanup EXIT
}
bench_cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
