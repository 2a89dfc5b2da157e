#!/usr/bin/env bash
# The real-driver benchmark (bench/README.md, "In QEMU guests"): installs what the guests
# need, builds ldx7320-cli when build/ has none, and prints the rows as a Markdown table on
# standard output; about 2 minutes. Not run by CI: it measures, it never fails on a time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/install-missing.sh qemu-system-x86 linux-image-amd64 busybox-static cpio kmod python3 >&2
kernel="$(ls -v /boot/vmlinuz-* | tail -n 1)"
version="${kernel#/boot/vmlinuz-}"
[ -r "/lib/modules/$version/modules.dep" ] || { echo "no modules for $kernel" >&2; exit 1; }

if [ ! -x build/cli/ldx7320-cli ]; then
  scripts/install-deps.sh >&2
  scripts/configure-build.sh >&2
  cmake --build build --target ldx7320-cli -j"$(nproc)" >&2
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
tests/realdrivers/make-initramfs.sh "$version" "$work/initrd.gz"
echo "Measuring in QEMU guests on $kernel (TCG), about 2 minutes ..." >&2
/usr/bin/python3 bench/real_drivers_bench.py "$root/build/cli/ldx7320-cli" "$kernel" "$work/initrd.gz"
