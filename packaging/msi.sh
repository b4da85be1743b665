#!/usr/bin/env bash
# Builds a release's Windows Installer package from its staged files (Pressavo.wxs, with wixl).
#   msi.sh <stage-dir> <out.msi> <win32|win64> <product-version x.y.z> <manufacturer>
# SOURCE_DATE_EPOCH (Unix time, checked by the release step) is the package's time: the same stage
# and time give the same bytes. On any failure no <out.msi> is left behind.
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: msi.sh <stage-dir> <out.msi> <win32|win64> <x.y.z> <manufacturer>" >&2; exit 2; }
stage=$(realpath "$1")
out=$(realpath -m "$2")
build=$3 version=$4 manufacturer=$5
wxs=$(realpath "$(dirname "$0")/Pressavo.wxs")
fail() { echo "msi.sh: $*" >&2; exit 1; }

# An older package of the same name must not survive a failed build and be shipped by mistake.
rm -f "$out"
case $build in
win32) arch=x86 template="Intel;1033" ;;
win64) arch=x64 template="x64;1033" ;;
*) fail "the build must be win32 or win64, not '$build'" ;;
esac
# Windows Installer compares major.minor.build, with at most 255.255.65535.
if ! [[ $version =~ ^([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,5})$ ]] ||
    ((10#${BASH_REMATCH[1]} > 255 || 10#${BASH_REMATCH[2]} > 255 || 10#${BASH_REMATCH[3]} > 65535)); then
    fail "the product version must be major.minor.build (at most 255.255.65535), not '$version'"
fi
# It goes into XML attributes and the summary information as it is.
[[ -n $manufacturer && $manufacturer != *[\<\>\&\"]* ]] || fail "unusable manufacturer '$manufacturer'"
epoch=${SOURCE_DATE_EPOCH:?must be the time of the package}

work=$(mktemp -d)
trap 'rm -rf "$work" "$out.part"' EXIT
# The cabinet records each file's time and attributes: take them from the epoch, not the stage.
mkdir "$work/files"
for f in Pressavo.exe LICENSE THIRD-PARTY-NOTICES.txt; do
    [ -f "$stage/$f" ] || fail "no $f in $stage"
    cp "$stage/$f" "$work/files/$f"
done
chmod 0644 "$work/files"/*
touch -d "@$epoch" "$work/files"/*

# wixl and libmsi write the clock's time into the summary information: freeze it at the epoch
# (the monotonic clock left alone, so that waits inside the libraries still end).
frozen() {
    TZ=UTC FAKETIME_DONT_FAKE_MONOTONIC=1 faketime -f "$(TZ=UTC date -d "@$epoch" '+%Y-%m-%d %H:%M:%S')" "$@"
}
wixl_run() {
    (cd "$work/files" && frozen wixl "$@" -D "Build=$build" -D "ProductVersion=$version" \
        -D "Manufacturer=$manufacturer" "$wxs")
}
guid() { python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' "$@"; }

# The product code is this build's upgrade code and the version, and nothing else: each version
# has its own, and the same sources always give the same one.
upgrade=$(wixl_run -E -D ProductCode=0 | sed -n 's/.*UpgradeCode="\([0-9A-Fa-f-]*\)".*/\1/p')
[[ $upgrade =~ ^[0-9A-Fa-f-]{36}$ ]] || fail "no UpgradeCode for $build in $wxs"
product=$(guid "$upgrade" "$version")

pkg=$work/Pressavo.msi
wixl_run -a "$arch" -D "ProductCode=$product" -o "$pkg"
# wixl takes Absent="disallow" but writes no attribute for it; the program itself is not optional.
frozen msibuild "$pkg" -q "UPDATE \`Feature\` SET \`Attributes\` = 16 WHERE \`Feature\` = 'Program'"
# wixl draws a random package code. Derive it from everything else in the package instead, so
# that it still changes with any content: hash the package with a fixed code, then set it.
frozen msibuild "$pkg" -s "Pressavo $version" "$manufacturer" "$template" "{00000000-0000-0000-0000-000000000000}"
package=$(guid "$upgrade" "package $(sha256sum "$pkg" | cut -d' ' -f1)")
frozen msibuild "$pkg" -s "Pressavo $version" "$manufacturer" "$template" "{$package}"
msiinfo suminfo "$pkg" | grep -qF "{$package}" || fail "the package code did not take"

# Into place only when whole: a copy that fails halfway must not be taken for the package.
cp "$pkg" "$out.part"
mv "$out.part" "$out"
echo "msi.sh: $out ($build, $version, product {$product}, package {$package})"
