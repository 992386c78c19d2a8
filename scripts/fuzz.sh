#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one: fuzz.sh [decoder|config|remote] [SECONDS]
# Inputs that fail are written to build-fuzz/findings; copy them into the
# target's corpus (tests/fuzz/corpus, config-corpus or remote-corpus) so the
# replay tests keep them from coming back.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:-decoder}"
seconds="${2:-300}"
case "$target" in
    decoder) seeds="$root/tests/fuzz/corpus"; limits=(-max_len=2048) ;;
    # A configuration read must never allocate beyond the file it came from.
    config) seeds="$root/tests/fuzz/config-corpus"; limits=(-max_len=70000 -malloc_limit_mb=64) ;;
    # Socket lines: a little past the 4 KiB a line may have.
    remote) seeds="$root/tests/fuzz/remote-corpus"; limits=(-max_len=9000) ;;
    *) echo "usage: fuzz.sh [decoder|config|remote] [SECONDS]" >&2; exit 2 ;;
esac
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DFERRULE_FUZZ=ON >/dev/null
cmake --build "$root/build-fuzz" --parallel "$(nproc)" --target "${target}_fuzzer"
work="$root/build-fuzz/corpus-$target"; findings="$root/build-fuzz/findings"
mkdir -p "$work" "$findings"
cp -n "$seeds"/* "$work"/
LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" \
    "$root/build-fuzz/bin/${target}_fuzzer" "$work" -max_total_time="$seconds" "${limits[@]}" \
    -artifact_prefix="$findings/" -print_final_stats=1
