#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test; fails if any test fails.
set -uo pipefail
cd "$(dirname "$0")"

./scripts/setup.sh || { echo "test.sh: set-up failed"; exit 1; }

# shellcheck source=scripts/lib.sh
source scripts/lib.sh
passed=0
failed=0
for preset in host host-asan win64 win32; do
    echo "=== $preset: configure and build"
    if ! pressavo_build "$preset"; then
        echo "test.sh: the $preset build failed"
        failed=$((failed + 1))
        continue
    fi
    echo "=== $preset: tests"
    log="build/$preset/ctest-summary.log"
    ctest --preset "$preset" 2>&1 | tee "$log"
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
    if "$@"; then passed=$((passed + 1)); else echo "test.sh: $name failed"; failed=$((failed + 1)); fi
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
for preset in win32 win64; do
    check "$preset MSI under Wine: install, logon, file only, upgrade, repair, uninstall" tests/e2e/msi.sh "build/$preset"
done
check "signing round trip" ./scripts/signing.sh
check "the README's commands on a fresh clone" ./scripts/readme-commands.sh
check "fuzzing" ./scripts/fuzz.sh
check "reproducible executables and packages" ./scripts/reproducible.sh

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
