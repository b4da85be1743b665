#!/usr/bin/env bash
# Builds what the benchmarks need and prints their figures: listing, footprint, whole run.
#   ./bench.sh            host listing benchmark, footprint, 64-bit whole run (about 4 minutes)
#   BENCH_WIN32=1 ./bench.sh   also the 32-bit whole run (qemu-user: slow; RUNS32=N runs, default 3)
# Figures only: no goal missed here fails the run, except a footprint over budget or importing
# DLLs other than Windows' own (bench/footprint.sh is also a check of ./test.sh).
set -euo pipefail
cd "$(dirname "$0")"

jobs=$(nproc 2>/dev/null || echo 2)
presets=(host win64 win32)
for preset in "${presets[@]}"; do
    echo "=== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" >/dev/null
done

status=0
echo "=== listing"
bench/listing.sh || status=1
echo "=== footprint"
bench/footprint.sh || status=1
echo "=== whole run, 64-bit"
bench/whole-run.sh win64 || status=1
if [ "${BENCH_WIN32:-0}" = 1 ]; then
    echo "=== whole run, 32-bit"
    RUNS=${RUNS32:-3} bench/whole-run.sh win32 || status=1
fi
exit "$status"
