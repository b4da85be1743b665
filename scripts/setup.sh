#!/usr/bin/env bash
# Installs what building and testing Pressavo needs on Debian 12, only when it is missing.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

want=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest libgtest-dev
      wine wine64 wine32:i386 xvfb xauth locales git binutils
      clang libclang-rt-14-dev clang-tidy clang-format cppcheck libbenchmark-dev
      python3 python3-pefile osslsigncode openssl zip unzip
      wixl msitools faketime python3-jsonschema
      ${PRESSAVO_EXTRA_PACKAGES:-})

missing=()
for p in "${want[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The CycloneDX schemas the SBOM is validated against, from the CycloneDX project's own package.
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -d "$repo/packaging/node/node_modules/@cyclonedx/cyclonedx-library" ]; then
    npm ci --prefix "$repo/packaging/node" --ignore-scripts --no-audit --no-fund
fi

# The double-byte code page cases need a Japanese locale that the system really has.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi

# 32-bit Wine on a kernel without IA-32 support runs through qemu-user.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q "install ok installed"; then
        $SUDO apt-get update -q
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends qemu-user-static
    fi
    if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
        [ -e /proc/sys/fs/binfmt_misc/register ] || $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
            | $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
    fi
fi
