#!/usr/bin/env bash
# Times whole runs of Pressavo.exe against the two bare references under one warm Wine prefix.
#   bench/whole-run.sh [win64|win32]      (default win64; the executables must be built)
# Environment: RUNS=N runs of each program (default 30, at least 10). Where 32-bit code runs only
# through qemu-user, the 32-bit figures are qemu's, not the program's.
# BENCH_STATE=<dir> puts the throwaway prefix there instead of a fresh directory under /tmp.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/lib.sh
source "$root/scripts/lib.sh"
preset=${1:-win64}
case "$preset" in
win64 | win32) ;;
*) echo "usage: bench/whole-run.sh [win64|win32]" >&2; exit 2 ;;
esac
loader=$(pressavo_wine_loader "$root/build/$preset")
runs=${RUNS:-30} least=10
if ! [[ $runs =~ ^[0-9]+$ ]] || [ "$runs" -lt "$least" ]; then
    echo "whole-run.sh: RUNS must be at least $least for $preset" >&2
    exit 2
fi

build=$root/build/$preset
programs=("$build/Pressavo.exe" "$build/bench/ref-window.exe" "$build/bench/ref-bare.exe")
labels=("Pressavo" "(a) ref-window" "(b) ref-bare")
for exe in "${programs[@]}"; do
    [ -f "$exe" ] || { echo "whole-run.sh: $exe is not built (cmake --build --preset $preset)" >&2; exit 1; }
done

state=${BENCH_STATE:-$(mktemp -d "${TMPDIR:-/tmp}/pressavo-bench-$preset.XXXXXX")}
results=$(mktemp)
keeper=
cleanup() {
    [ -z "$keeper" ] || kill "$keeper" 2>/dev/null || true
    "$root/tests/e2e/prefix.sh" stop "$state" || true
    [ -n "${BENCH_STATE:-}" ] || rm -rf "$state"
    rm -f "$results" "${cpu_file:-}"
}
trap cleanup EXIT

echo "whole run ($preset): starting a warm prefix in $state ..."
start=$(date +%s)
"$root/tests/e2e/prefix.sh" start "$state" "$loader" >/dev/null
echo "  prefix ready after $(($(date +%s) - start)) s"
# shellcheck disable=SC1091
source "$state/env"

# Prints the wall time in nanoseconds of one whole run of $1, start of the loader to its end, and
# the CPU time (user + system, ms) of the process: the latter is what our own code can add to, and
# it is less disturbed by other work on the machine than the wall time.
cpu_file=$(mktemp)
run_once() {
    local t0 t1 status=0 user sys
    t0=$(date +%s%N)
    { time { "$WINE" "$1" >/dev/null 2>&1 || status=$?; }; } 2>"$cpu_file"
    t1=$(date +%s%N)
    if [ "$status" -ne 0 ]; then
        echo "whole-run.sh: $1 ended with status $status" >&2
        return 1
    fi
    read -r user sys <"$cpu_file"
    echo "$((t1 - t0)) $(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.0f", (u + s) * 1000 }')"
}
TIMEFORMAT='%3U %3S'

# A resident window keeps the desktop open, as the shell does on Windows: without one, every run
# would also start and end Wine's desktop process, and that churn would swamp what is measured.
# It is responsive, so each broadcast reaches it and returns at once.
"$WINE" notepad.exe >/dev/null 2>&1 &
keeper=$!
sleep 3

# The first start of each program pays for loading its DLLs from disk into the cache.
for exe in "${programs[@]}"; do run_once "$exe" >/dev/null; done

# Alternated, so that a slow stretch of the shared machine falls on all three alike.
for ((r = 1; r <= runs; r++)); do
    for i in 0 1 2; do
        line=$(run_once "${programs[$i]}")
        echo "$i $line" >>"$results"
    done
done

# Median and range of column $2 (2: wall ns, 3: CPU ms) of program $1, in ms.
stats() {
    awk -v p="$1" -v c="$2" '$1 == p { print $c }' "$results" | sort -n | awk -v scale="$3" '
        { v[NR] = $1 }
        END {
            m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf "%.1f %.1f %.1f\n", m / scale, v[1] / scale, v[NR] / scale
        }'
}

echo "whole run ($preset, $runs runs each, alternated; desktop kept open; wall time of 'wine program' and its CPU time):"
declare -a wall cpu wmin
for i in 0 1 2; do
    read -r wall[i] wmin[i] whi < <(stats "$i" 2 1e6)
    read -r cpu[i] clo chi < <(stats "$i" 3 1)
    printf '  %-16s wall median %7s ms (%s-%s)   CPU median %6s ms (%s-%s)\n' \
        "${labels[$i]}" "${wall[$i]}" "${wmin[$i]}" "$whi" "${cpu[$i]}" "$clo" "$chi"
done
# Medians, and minima: the least a run can cost, once the shared machine's noise is set aside.
awk -v p="${wall[0]}" -v a="${wall[1]}" -v b="${wall[2]}" -v pm="${wmin[0]}" -v am="${wmin[1]}" \
    -v bm="${wmin[2]}" -v cp="${cpu[0]}" -v ca="${cpu[1]}" -v cb="${cpu[2]}" 'BEGIN {
    r = p / b
    printf "  Pressavo / (b)   wall median %.3f, minimum %.3f (goal <= 1.05: %s)   CPU %.3f\n", r, pm / bm, (r <= 1.05 ? "met" : "NOT met"), cp / cb
    printf "  Pressavo / (a)   wall median %.3f, minimum %.3f   CPU %.3f\n", p / a, pm / am, cp / ca
    printf "  (a) / (b)        wall median %.3f, minimum %.3f   CPU %.3f   (what a top-level hidden window costs)\n", a / b, am / bm, ca / cb
}'
