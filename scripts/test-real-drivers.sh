#!/usr/bin/env bash
# ldx7320-cli on the serial drivers of real Linux machines: 8250 (a PC's own ports) and
# ftdi_sio (the commonest USB adapter), in QEMU guests on Debian's kernel, the board on a
# pseudo-terminal at the host end of each guest's device (tests/realdrivers/). About 30 s.
# Skips with one line, exit 0, where QEMU cannot run here; fails when a check fails.
# LDX_REAL_DRIVERS_KNOWN_FAILING=fifo-trigger runs it knowing that check still fails.
set -euo pipefail
cd "$(dirname "$0")/.."

skip() {
  echo ">>> Skipping the real-driver checks: $*"
  exit 0
}

[ "$(uname -s) $(uname -m)" = "Linux x86_64" ] || skip "they need an x86_64 Linux host, this is $(uname -s) $(uname -m)"
# The emulator, a kernel with its modules, and what the guest's initramfs is made of. A
# failed install leaves the checks below to say what is missing.
scripts/install-missing.sh qemu-system-x86 linux-image-amd64 busybox-static cpio kmod python3 ||
  echo "    (installing failed; going on with what is there)"
command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is missing (Debian package qemu-system-x86)"
[ -x /bin/busybox ] && command -v cpio >/dev/null || skip "busybox-static or cpio is missing"

# The newest kernel whose modules are there too: the guest loads 9p and ftdi_sio from them.
kernel=""
for image in $(ls -v /boot/vmlinuz-* 2>/dev/null | tac); do
  version="${image#/boot/vmlinuz-}"
  if [ -r "$image" ] && [ -r "/lib/modules/$version/modules.dep" ]; then
    kernel="$image"
    break
  fi
done
[ -n "$kernel" ] || skip "no readable kernel image in /boot with its modules (Debian package linux-image-amd64)"

/usr/bin/python3 -c 'import os; os.openpty()' 2>/dev/null || skip "no pseudo-terminals here (/dev/ptmx)"
why="$(echo '{"execute":"qmp_capabilities"}{"execute":"quit"}' |
  qemu-system-x86_64 -machine none -accel tcg -nodefaults -display none -qmp stdio 2>&1 >/dev/null)" ||
  skip "QEMU cannot run here: $(echo "$why" | head -n 1)"

cli="build/cli/ldx7320-cli"
if [ ! -x "$cli" ]; then
  scripts/install-deps.sh
  scripts/configure-build.sh
  cmake --build build --target ldx7320-cli -j"$(nproc)"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
tests/realdrivers/make-initramfs.sh "$version" "$work/initrd.gz"
echo "Guests on $kernel (TCG), the board on a pseudo-terminal at each guest's serial device"
/usr/bin/python3 tests/realdrivers/check_real_drivers.py "$(pwd)/$cli" "$kernel" "$work/initrd.gz"
