#!/usr/bin/env bash
# Builds each Windows release here and from a copy of the sources at another path, and fails
# unless the two are byte for byte the same: the executables (no link timestamp, no build paths
# inside), the zip, the MSI, the SBOM and SHA256SUMS (their times from SOURCE_DATE_EPOCH). Then, in
# the copy, a version bump with a dual-licensed table entry must release only the new version's
# files, and pass the release check.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
# shellcheck source=scripts/lib.sh
source scripts/lib.sh
work=$(mktemp -d) || { echo "reproducible: no temporary folder" >&2; exit 1; }
trap 'rm -rf "$work"' EXIT
status=0
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
unset PRESSAVO_SIGN_PFX PRESSAVO_SIGN_PASSWORD_FILE
copy=$work/another-checkout-at-a-longer-path
mkdir -p "$copy"
git ls-files -z | xargs -0 cp --parents -t "$copy"
ln -s "$PWD/packaging/node/node_modules" "$copy/packaging/node/node_modules"
for preset in win32 win64; do
    pressavo_build "$preset" --target package >"$work/$preset.log" 2>&1 ||
        { echo "reproducible: the $preset release failed"; tail -n 20 "$work/$preset.log"; status=1; }
    (cd "$copy" && pressavo_build "$preset" --target package >"$work/copy-$preset.log" 2>&1) ||
        { echo "reproducible: the $preset release in the copy failed"; tail -n 20 "$work/copy-$preset.log"; status=1; }
    name=$(pressavo_release_name "build/$preset") || { status=1; continue; }
    for file in Pressavo.exe "$name.zip" "$name.msi" "$name.cdx.json" SHA256SUMS; do
        if [ -f "$copy/build/$preset/$file" ] && cmp "build/$preset/$file" "$copy/build/$preset/$file"; then
            echo "reproducible: $preset $file identical ($(sha256sum <"build/$preset/$file" | cut -c1-16)...)"
        else
            echo "reproducible: $preset $file differs or is missing"
            status=1
        fi
    done
done

# The next version, with the public-domain sources offered under MIT as well (in the table and in
# the reviewed expectations): only its files remain, and its licences keep their meaning.
cd "$copy" || exit 1
[[ $(grep -m1 '^project(Pressavo VERSION' CMakeLists.txt) =~ VERSION\ ([0-9]+)\.([0-9]+)\  ]] ||
    { echo "reproducible: no version in CMakeLists.txt"; exit 1; }
next=${BASH_REMATCH[1]}.$((BASH_REMATCH[2] + 1))
sed -i "s/^project(Pressavo VERSION [0-9.]* /project(Pressavo VERSION $next /" CMakeLists.txt
sed -i 's/"\(mingw-w64-crt\/[a-z]*\/\*\)": "LicenseRef-scancode-public-domain"/"\1": "LicenseRef-scancode-public-domain OR MIT"/;
    s/"LicenseRef-scancode-public-domain": {/"LicenseRef-scancode-public-domain OR MIT": {/' packaging/components.json
sed -i 's/LicenseRef-scancode-public-domain/(LicenseRef-scancode-public-domain OR MIT)/g' tests/release/expected.json
pressavo_build win64 --target package >"$work/next.log" 2>&1 ||
    { echo "reproducible: the $next release failed"; tail -n 20 "$work/next.log"; exit 1; }
name=$(pressavo_release_name build/win64) || exit 1
left=$(cd build/win64 && echo Pressavo-* SHA256SUMS)
if [ "$left" = "$name.cdx.json $name.msi $name.zip SHA256SUMS" ]; then
    echo "reproducible: after the bump to $next only $left"
else
    echo "reproducible: after the bump to $next, expected only $name's files, found: $left"
    status=1
fi
/usr/bin/python3 tests/release/sbom-check.py build/win64 || status=1
exit "$status"
