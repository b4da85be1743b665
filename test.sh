#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test; fails if any test fails.
set -uo pipefail
cd "$(dirname "$0")" || exit 1

# Where the time goes: each stage's seconds, printed at the end.
times=()
timed() { times+=("$(printf '%5d s  %s' $((SECONDS - stage_start)) "$1")"); }
stage_start=$SECONDS
./scripts/setup.sh || { echo "test.sh: set-up failed"; exit 1; }
timed "set-up"

# shellcheck source=scripts/lib.sh
source scripts/lib.sh
passed=0
failed=0
for preset in host host-asan win64 win32; do
    stage_start=$SECONDS
    echo "=== $preset: configure and build"
    if ! pressavo_build "$preset"; then
        echo "test.sh: the $preset build failed"
        failed=$((failed + 1))
        timed "$preset: build (failed)"
        continue
    fi
    timed "$preset: build"
    stage_start=$SECONDS
    echo "=== $preset: tests"
    log="build/$preset/ctest-summary.log"
    ctest --preset "$preset" 2>&1 | tee "$log"
    timed "$preset: tests"
    # ctest's own summary line: "N% tests passed, F tests failed out of T".
    summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -z "$summary" ]; then
        echo "test.sh: no test summary from $preset"
        failed=$((failed + 1))
        continue
    fi
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
    t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$summary")
    passed=$((passed + t - f))
    failed=$((failed + f))
done

# Each further check counts as one test.
check() {
    local name=$1
    shift
    echo "=== $name"
    stage_start=$SECONDS
    if "$@"; then passed=$((passed + 1)); else echo "test.sh: $name failed"; failed=$((failed + 1)); fi
    timed "$name"
}
check "static checks" ./scripts/static-checks.sh
check "footprint: size budget, floor ratio, no exception runtime" ./bench/footprint.sh
check "release policy of both executables" ./scripts/pe-policy.py build/win32/Pressavo.exe build/win64/Pressavo.exe
# The control: the same check must read a test program (no manifest, other imports) and refuse it.
check "release policy refuses a test program" ./scripts/pe-policy.py --expect-refused build/win32/tests/e2e/pressavo-switch-probe.exe
for preset in win32 win64; do
    check "$preset release: zip, MSI, SBOM, SHA256SUMS" cmake --build --preset "$preset" --target package
done
for preset in win32 win64; do
    check "$preset release contents: files, SHA256SUMS, SBOM and notices against the link map" \
        /usr/bin/python3 tests/release/sbom-check.py "build/$preset"
done
check "a link map with one member more is refused, naming it" tests/release/refusals.sh build/win64
check "signing round trip, and the signed MSIs under Wine: install, logon, file only, upgrade, repair, uninstall" \
    tests/release/signing.sh
check "the README's commands on a fresh clone" ./scripts/readme-commands.sh
check "fuzzing" ./scripts/fuzz.sh
check "reproducible releases, and a version bump that leaves only its own files" tests/release/reproducible.sh

echo "--- time per stage"
printf '%s\n' "${times[@]}"
printf '%5d s  total\n' "$SECONDS"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
