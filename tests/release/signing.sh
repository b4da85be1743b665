#!/usr/bin/env bash
# Signs each release with a throwaway key and checks the signatures and the signed files, runs the
# release check and every MSI case on the signed releases, then leaves them unsigned again.
#   signing.sh [build-root]   the root holds the configured and built win32/ and win64/
#                             (default: the repository's build/)
# The checks are called through check(), which shellcheck does not follow.
# shellcheck disable=SC2317
set -uo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
root=$(realpath "${1:-$repo/build}")
# shellcheck source=scripts/lib.sh
source "$repo/scripts/lib.sh"
# Only this script decides what is signed, and nothing reaches for a timestamp server.
unset PRESSAVO_SIGN_PFX PRESSAVO_SIGN_PASSWORD_FILE PRESSAVO_SIGN_TIMESTAMP_URL
epoch=$(git -C "$repo" log -1 --format=%ct 2>/dev/null) || epoch=1700000000
# Keys, logs and unpacked files go into this folder; without it they would land in /.
work=$(mktemp -d) || { echo "signing: no temporary folder" >&2; exit 1; }
signed_dirs=()
status=0

unsigned_package() { cmake --build "$1" --target package >"$work/unsigned.log" 2>&1; }
cleanup() {
    local dir
    # No package signed with a throwaway key may outlive the check.
    for dir in "${signed_dirs[@]}"; do [ -z "$dir" ] || unsigned_package "$dir"; done
    rm -rf "$work"
}
trap cleanup EXIT

# check <what> <command...>: one line per fact; the command's output only when it fails.
check() {
    local what=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        echo "signing: $build: $what: ok"
    else
        echo "signing: $build: $what: FAILED"
        sed 's/^/    /' "$work/out" | tail -n 20
        status=1
        return 1
    fi
}

key=$work/key
make_key() {
    mkdir -p "$key" && openssl rand -hex 16 >"$key/password" &&
        openssl req -x509 -newkey rsa:3072 -sha256 -nodes -days 2 -subj "/CN=Pressavo test" \
            -addext "extendedKeyUsage = codeSigning" -keyout "$key/key.pem" \
            -out "$key/cert.pem" &&
        openssl pkcs12 -export -inkey "$key/key.pem" -in "$key/cert.pem" \
            -passout "file:$key/password" -out "$key/sign.pfx"
}
signed_package() {
    PRESSAVO_SIGN_PFX=$key/sign.pfx PRESSAVO_SIGN_PASSWORD_FILE=$key/password \
        SOURCE_DATE_EPOCH=$epoch cmake --build "$dir" --target package
}
verifies() {
    osslsigncode verify -in "$1" -CAfile "$key/cert.pem" | grep -F 'Signature verification: ok'
}
signs_alike() {
    cp "$exe" "$w/first.exe" && cp "$msi" "$w/first.msi" && signed_package &&
        unzip -q -d "$w/second" "$zip" Pressavo.exe &&
        cmp "$w/first.exe" "$w/second/Pressavo.exe" && cmp "$w/first.msi" "$msi"
}
unsigns_to_build() {
    osslsigncode remove-signature -in "$exe" -out "$w/removed.exe" &&
        cmp "$w/removed.exe" "$dir/Pressavo.exe"
}
# No release file may be left behind by a release that failed.
none_left() { [ ! -e "$zip" ] && [ ! -e "$msi" ] && [ ! -e "$dir/SHA256SUMS" ]; }
refused() {
    ! PRESSAVO_SIGN_PFX=$key/sign.pfx cmake --build "$dir" --target package && none_left &&
        ! PRESSAVO_SIGN_PFX=$key/sign.pfx PRESSAVO_SIGN_PASSWORD_FILE=$key/cert.pem \
            cmake --build "$dir" --target package && none_left
}
left_unsigned() {
    unsigned_package "$dir" || { cat "$work/unsigned.log"; return 1; }
    unzip -q -d "$w/after" "$zip" Pressavo.exe && cmp "$w/after/Pressavo.exe" "$dir/Pressavo.exe" &&
        ! osslsigncode verify -in "$msi" >/dev/null 2>&1
}

# set_build <build>: the names the checks below use for that build's release.
set_build() {
    build=$1 dir=$root/$1 w=$work/$1
    mkdir -p "$w"
    name=$(pressavo_release_name "$dir") && [ -f "$dir/Pressavo.exe" ] || return 1
    zip=$dir/$name.zip msi=$dir/$name.msi exe=$w/unzipped/Pressavo.exe
}

build=all
check "throwaway code-signing certificate" make_key || exit 1
for b in win32 win64; do
    set_build "$b" || { echo "signing: $b: FAILED: no configured and built $root/$b"; status=1; continue; }
    signed_dirs+=("$dir")
    check "signed package built" signed_package || continue
    # The SBOM and SHA256SUMS describe the signed files, and the exe is the same in both packages
    # (the MSI's own signature is checked with its cases below).
    check "the release check passes on the signed release" /usr/bin/python3 "$repo/tests/release/sbom-check.py" "$dir"
    unzip -q -d "$w/unzipped" "$zip" Pressavo.exe || { status=1; continue; }
    check "signature verifies" verifies "$exe"
    check "signing the same bytes again gives the same file" signs_alike
    check "removing the signature gives the unsigned build" unsigns_to_build
done
# Every MSI case on the signed packages: a signed package is what fleets install.
build=both
PRESSAVO_MSI_SIGNED=1 PRESSAVO_MSI_CAFILE=$key/cert.pem "$repo/tests/release/msi.sh" "${signed_dirs[@]}" || status=1
for b in win32 win64; do
    set_build "$b" || continue
    check "half-set or failing signing fails the packaging" refused
    check "package left unsigned" left_unsigned && signed_dirs=("${signed_dirs[@]/$dir/}")
done
exit "$status"
