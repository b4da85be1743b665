#!/usr/bin/env bash
# The controls of the release's description: copies of a build's link map with one member more,
# which the release check and the release step itself must each refuse, naming that member.
#   tests/release/refusals.sh <build-dir>   (a win64 build with its release made)
# The cases are called through the table, which shellcheck does not follow.
# shellcheck disable=SC2317
set -uo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
dir=$(realpath "$1")
work=$(mktemp -d) || { echo "refusals: no temporary folder" >&2; exit 1; }
trap 'rm -rf "$work"' EXIT
ssp=/usr/lib/gcc/x86_64-w64-mingw32/12-win32/libssp.a\(ssp.o\)
nosource=/usr/x86_64-w64-mingw32/lib/libmingwex.a\(lib64_libmingwex_a-arithchk.o\)

# with_member <archive(member)>: a copy of the map in which the linker also took that member.
with_member() {
    awk -v m="$1" '{ print } NR == 1 { print ""; print m; print "                              CMakeFiles/Pressavo.dir/objects.a(WinMain.cpp.obj) (__stack_chk_fail)" }' \
        "$dir/Pressavo.map" >"$work/Pressavo.map"
}
release_step() {
    /usr/bin/python3 "$repo/packaging/contents.py" notices --map "$work/Pressavo.map" --exe "$dir/Pressavo.exe" \
        --out "$work/notices" --name Pressavo --company c --url u --licence MIT --description d \
        --version 0 --build win64 --epoch 0
}
check() { /usr/bin/python3 "$repo/tests/release/sbom-check.py" --map "$work/Pressavo.map" "$dir"; }

# name | member added to the map | what refuses it | what it must say
cases=(
    "one more static library, refused by the release check|$ssp|check|link map: ${ssp%(*}(ssp.o) is linked in but not in the SBOM"
    "one more static library, refused by the release step|$ssp|release_step|$ssp: linked in, but no component of"
    "a member with no known source, refused by the release step|$nosource|release_step|$nosource: no source file is known for it"
)
status=0
for row in "${cases[@]}"; do
    IFS='|' read -r name member fn says <<<"$row"
    with_member "$member"
    if $fn >"$work/out" 2>&1; then
        echo "refusals: $name: FAILED: accepted"
        status=1
    elif ! grep -qF -- "$says" "$work/out"; then
        echo "refusals: $name: FAILED: refused without saying \"$says\":"
        sed 's/^/    /' "$work/out" | tail -n 8
        status=1
    else
        echo "refusals: $name: ok ($(grep -F -- "$says" "$work/out" | head -n 1))"
    fi
done
exit "$status"
