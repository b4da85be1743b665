#!/usr/bin/env bash
# Tries the README's two commands as a new user would: on a Debian 12 root made by debootstrap
# (minbase: nothing else installed), with a clean environment. Run by hand, as root; it downloads
# about a gigabyte. The root reaches the same registries as this machine: it gets this machine's
# apt sources, CA certificates and npm configuration, and nothing else of it.
#   scripts/fresh-debian.sh [<root> [<command>...]]
# <root>: default a new folder under /var/tmp, kept for a look; commands: default ./run.sh ./test.sh.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
root=${1:-$(mktemp -d /var/tmp/pressavo-fresh.XXXXXX)}
commands=("${@:2}")
[ ${#commands[@]} -gt 0 ] || commands=(./run.sh ./test.sh)
[ "$(id -u)" -eq 0 ] || { echo "fresh-debian.sh: run it as root (debootstrap, chroot)" >&2; exit 2; }

if ! command -v debootstrap >/dev/null; then
    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap
fi
sources=/etc/apt/sources.list.d/debian.sources
mirror=$(sed -n 's/^URIs: *//p' "$sources" | head -n 1)
start=$SECONDS
[ -x "$root/bin/bash" ] || debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
    { tail -n 20 "$root.debootstrap.log"; exit 1; }
echo "fresh-debian: minbase root in $root ($((SECONDS - start)) s)"

rm -f "$root/etc/apt/sources.list"
cp "$sources" "$root/etc/apt/sources.list.d/"
cp /etc/resolv.conf "$root/etc/"
mkdir -p "$root/usr/local/share/ca-certificates" "$root/etc/ssl/certs"
cp /usr/local/share/ca-certificates/* "$root/usr/local/share/ca-certificates/" 2>/dev/null || true
cp /etc/ssl/certs/ca-certificates.crt "$root/etc/ssl/certs/"
# npm reads its CAs from its configuration, not from an environment that the clean one drops.
{ cat ~/.npmrc 2>/dev/null; echo "cafile=/etc/ssl/certs/ca-certificates.crt"; } >"$root/root/.npmrc"

# As a booted machine has them; binfmt_misc shows the tests whether 32-bit programs go through
# qemu-user (the kernel's registration is global, so the root's programs use it either way).
mounts=(proc proc/sys/fs/binfmt_misc sys dev dev/pts dev/shm)
unmount() {
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -l "$root/${mounts[i]}" 2>/dev/null || true; done
}
trap unmount EXIT
mount -t proc proc "$root/proc"
mount -t binfmt_misc binfmt_misc "$root/proc/sys/fs/binfmt_misc" 2>/dev/null || true
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
mount -t devpts devpts "$root/dev/pts" 2>/dev/null || true
mount -t tmpfs tmpfs "$root/dev/shm"

rm -rf "$root/root/pressavo"
git clone -q "$repo" "$root/root/pressavo"
in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb \
        bash -c "cd /root/pressavo && $1"
}
status=0
for command in "${commands[@]}"; do
    echo "fresh-debian: $command"
    begin=$SECONDS
    if in_root "$command" 2>&1 | tee "$root/root/${command#./}.log"; then result=0; else result=$?; fi
    echo "fresh-debian: $command ended with status $result in $((SECONDS - begin)) s"
    [ "$result" -eq 0 ] || { status=1; break; }
done
# Set-up must bring in a Node that the pinned CycloneDX library accepts.
if grep -q EBADENGINE "$root"/root/*.log; then
    echo "fresh-debian: npm warned about an engine"
    status=1
fi
exit "$status"
