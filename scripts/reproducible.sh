#!/usr/bin/env bash
# Builds each Windows release twice, from copies of the sources at different paths, and fails
# unless the two are byte for byte the same: the executables (no link timestamp, no build paths
# inside), the zip, the MSI, the SBOM and SHA256SUMS (their times from SOURCE_DATE_EPOCH).
set -uo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/lib.sh
source scripts/lib.sh
# The copies go into this folder: without it they would go to /one and /two-...
work=$(mktemp -d) && [ -d "$work" ] || { echo "reproducible: no temporary folder" >&2; exit 1; }
trap 'rm -rf "$work"' EXIT
status=0
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
unset PRESSAVO_SIGN_PFX PRESSAVO_SIGN_PASSWORD_FILE
for copy in one two-with-a-longer-path; do
    mkdir -p "$work/$copy"
    git ls-files -z | xargs -0 cp --parents -t "$work/$copy"
done
for preset in win32 win64; do
    for copy in one two-with-a-longer-path; do
        (cd "$work/$copy" && pressavo_build "$preset" --target package >"$work/$copy-$preset.log" 2>&1) ||
            { echo "reproducible: the $preset release in $copy failed"; tail -n 20 "$work/$copy-$preset.log"; status=1; }
    done
    name=$(pressavo_release_name "$work/one/build/$preset") || { status=1; continue; }
    for file in Pressavo.exe "$name.zip" "$name.msi" "$name.cdx.json" SHA256SUMS; do
        one=$work/one/build/$preset/$file
        if [ -f "$one" ] && cmp "$one" "$work/two-with-a-longer-path/build/$preset/$file"; then
            echo "reproducible: $preset $file identical ($(sha256sum <"$one" | cut -c1-16)...)"
        else
            echo "reproducible: $preset $file differs or is missing"
            status=1
        fi
    done
done
exit "$status"
