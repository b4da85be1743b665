#!/usr/bin/env bash
# Builds each Windows executable twice, from copies of the sources at different paths, and fails
# unless the two builds are byte for byte the same (no link timestamp, no build paths inside).
set -uo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for copy in one two-with-a-longer-path; do
    mkdir -p "$work/$copy"
    git ls-files -z | xargs -0 cp --parents -t "$work/$copy"
done
for preset in win32 win64; do
    for copy in one two-with-a-longer-path; do
        (cd "$work/$copy" && cmake --preset "$preset" >/dev/null &&
            cmake --build --preset "$preset" --target Pressavo -j "$(nproc)" >/dev/null) ||
            { echo "reproducible: the $preset build in $copy failed"; status=1; }
    done
    if cmp "$work/one/build/$preset/Pressavo.exe" "$work/two-with-a-longer-path/build/$preset/Pressavo.exe"; then
        echo "reproducible: $preset Pressavo.exe identical ($(sha256sum <"$work/one/build/$preset/Pressavo.exe" | cut -c1-16)...)"
    else
        status=1
    fi
done
exit "$status"
