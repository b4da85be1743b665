#!/usr/bin/env bash
# Installs what building and testing Pressavo needs on Debian 12, only when it is missing.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

want=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest libgtest-dev
      wine wine64 wine32:i386 xvfb xauth locales git binutils
      clang libclang-rt-14-dev clang-tidy clang-format cppcheck libbenchmark-dev
      python3 python3-pefile osslsigncode openssl zip unzip
      wixl msitools faketime python3-jsonschema python3-debian python3-license-expression
      ${PRESSAVO_EXTRA_PACKAGES:-})

missing=()
for p in "${want[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

# Node and npm are checked as commands: a Node installed another way is left alone.
command -v npm >/dev/null 2>&1 || missing+=(nodejs npm)

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The CycloneDX schemas the SBOM is validated against, from the CycloneDX project's own package:
# a version whose engines accept Debian 12's Node 18, without the optional packages (a validator
# and XML libraries, one of them native) that only the schema files' users would need.
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -d "$repo/packaging/node/node_modules/@cyclonedx/cyclonedx-library" ]; then
    npm ci --prefix "$repo/packaging/node" --omit=optional --ignore-scripts --no-audit --no-fund
fi

# Wine takes its ANSI code page from a locale the system really has: ja_JP gives the double-byte
# code page 932, hi_IN (which has no ANSI code page) gives UTF-8, 65001.
generate=0
for locale in ja_JP hi_IN; do
    if ! locale -a 2>/dev/null | grep -qix "$locale.utf8"; then
        $SUDO sed -i "s/^# *\($locale.UTF-8 UTF-8\)/\1/" /etc/locale.gen
        grep -q "^$locale.UTF-8 UTF-8" /etc/locale.gen || echo "$locale.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
        generate=1
    fi
done
[ "$generate" -eq 0 ] || $SUDO locale-gen >/dev/null

# 32-bit Wine on a kernel without IA-32 support runs through qemu-user, from Debian's backports:
# bookworm's qemu 7.2 takes Wine's MAP_FIXED_NOREPLACE reservations for hints, so that Wine retries
# some 65,000 mappings and every 32-bit start costs a minute; qemu 10 starts one in under a second.
binfmt=/proc/sys/fs/binfmt_misc
qemu=/usr/bin/qemu-i386
# Mounted first: in a fresh root (a chroot) the kernel may hold the registration already.
[ -e "$binfmt/register" ] || [ ! -d "$binfmt" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
if [ -e "$binfmt/qemu-i386" ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    if ! dpkg --compare-versions "$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null)" ge 1:10; then
        # The archive this machine already uses; backports are never taken unless asked for.
        uri=$(grep -rhoE 'https?://[^ ]+/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d 2>/dev/null | head -n 1 | tr -d ' ') || true
        printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "${uri:-http://deb.debian.org/debian}" | $SUDO tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null
        $SUDO apt-get update -q
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user
    fi
    # The registration holds the interpreter it was made with (F): an older one is replaced.
    if ! grep -qx "interpreter $qemu" "$binfmt/qemu-i386" 2>/dev/null; then
        [ ! -e "$binfmt/qemu-i386" ] || echo -1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null
        printf '%s' ":qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$qemu:F" \
            | $SUDO tee "$binfmt/register" >/dev/null
    fi
fi
