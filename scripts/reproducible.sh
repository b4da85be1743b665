#!/usr/bin/env bash
# Builds each Windows executable twice, from copies of the sources at different paths, and fails
# unless the two builds are byte for byte the same (no link timestamp, no build paths inside).
set -uo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/lib.sh
source scripts/lib.sh
# The copies go into this folder: without it they would go to /one and /two-...
work=$(mktemp -d) && [ -d "$work" ] || { echo "reproducible: no temporary folder" >&2; exit 1; }
trap 'rm -rf "$work"' EXIT
status=0
for copy in one two-with-a-longer-path; do
    mkdir -p "$work/$copy"
    git ls-files -z | xargs -0 cp --parents -t "$work/$copy"
done
for preset in win32 win64; do
    for copy in one two-with-a-longer-path; do
        (cd "$work/$copy" && pressavo_build "$preset" --target Pressavo >/dev/null) ||
            { echo "reproducible: the $preset build in $copy failed"; status=1; }
    done
    if cmp "$work/one/build/$preset/Pressavo.exe" "$work/two-with-a-longer-path/build/$preset/Pressavo.exe"; then
        echo "reproducible: $preset Pressavo.exe identical ($(sha256sum <"$work/one/build/$preset/Pressavo.exe" | cut -c1-16)...)"
    else
        status=1
    fi
done
exit "$status"
