#!/usr/bin/env bash
# Runs the listing benchmark (host build) and prints listing/direct per case and the scaling.
#   bench/listing.sh [extra Google Benchmark flags...]   (build/host must be built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$root/build/host/bench/pressavo_listing_bench
[ -x "$exe" ] || { echo "listing.sh: $exe is not built (cmake --build --preset host; needs libbenchmark-dev)" >&2; exit 1; }

csv=$(mktemp)
trap 'rm -f "$csv"' EXIT
# Medians of several repetitions: the machine is shared, and one slow repetition should not count.
"$exe" --benchmark_repetitions="${REPETITIONS:-9}" --benchmark_report_aggregates_only=true \
    --benchmark_format=csv "$@" 2>/dev/null >"$csv"

# CPU time in microseconds of the median of benchmark $1 (e.g. "BM_Listing/bytes:8102/name:1").
us() {
    awk -F, -v want="\"$1_median\"" '$1 == want {
        f = ($5 == "ns") ? 1e-3 : ($5 == "ms") ? 1e3 : ($5 == "s") ? 1e6 : 1
        printf "%.2f", $4 * f; found = 1 } END { if (!found) exit 1 }' "$csv" ||
        { echo "listing.sh: no result for $1" >&2; exit 1; }
}

echo "listing (host stand-in, median CPU time of ${REPETITIONS:-9} repetitions, Form1::ProfileLoadWinIniList vs AddItem of the same names):"
printf '  %-34s %10s %10s %8s\n' "case" "listing us" "direct us" "ratio"
for c in "8102:1:one-character names, 8102 B" "8102:0:empty names, 8102 B" \
    "8102:2000:four 2000-byte names, 8102 B" "4051:0:empty names, 4051 B"; do
    IFS=: read -r bytes name what <<<"$c"
    l=$(us "BM_Listing/bytes:$bytes/name:$name")
    d=$(us "BM_Direct/bytes:$bytes/name:$name")
    awk -v w="$what" -v l="$l" -v d="$d" -v goal="$([ "$bytes" = 8102 ] && echo 1 || echo 0)" 'BEGIN {
        r = l / d
        printf "  %-34s %10.2f %10.2f %8.2f", w, l, d, r
        if (goal) printf "  (goal <= 1.5: %s)", (r <= 1.5 ? "met" : "NOT met")
        print "" }'
done
full=$(us "BM_Listing/bytes:8102/name:0")
half=$(us "BM_Listing/bytes:4051/name:0")
# The direct appends' own scaling beside it: what the list itself adds as it grows past the caches.
dfull=$(us "BM_Direct/bytes:8102/name:0")
dhalf=$(us "BM_Direct/bytes:4051/name:0")
awk -v f="$full" -v h="$half" -v df="$dfull" -v dh="$dhalf" 'BEGIN {
    r = f / h
    printf "  scaling 8102 B / 4051 B (empty names): %.2f  (goal <= 2.2: %s; direct appends %.2f)\n",
        r, (r <= 2.2 ? "met" : "NOT met"), df / dh }'
