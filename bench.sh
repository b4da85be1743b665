#!/usr/bin/env bash
# Builds what the benchmarks need and prints their figures: listing, footprint, whole run of both
# builds (about 3 minutes). Where 32-bit code runs only through qemu-user, the 32-bit whole run
# measures qemu as much as the program.
# Figures only: no goal missed here fails the run, except a footprint over budget (bench/footprint.sh
# is also a check of ./test.sh).
set -euo pipefail
cd "$(dirname "$0")"

# shellcheck source=scripts/lib.sh
source scripts/lib.sh
for preset in host win64 win32; do
    echo "=== build $preset"
    pressavo_build "$preset" >/dev/null
done

status=0
echo "=== listing"
bench/listing.sh || status=1
echo "=== footprint"
bench/footprint.sh || status=1
echo "=== whole run, 64-bit"
bench/whole-run.sh win64 || status=1
echo "=== whole run, 32-bit"
bench/whole-run.sh win32 || status=1
exit "$status"
