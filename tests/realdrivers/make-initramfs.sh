#!/usr/bin/env bash
# Makes the guest's initramfs: busybox, the init script beside this file, and the modules
# it loads (9p over virtio, the xHCI controller, ftdi_sio), taken with what they depend on
# from the kernel's own /lib/modules, in the order modprobe would load them.
# usage: make-initramfs.sh KERNEL_VERSION OUTPUT
set -euo pipefail
version="$1"
output="$2"
here="$(cd "$(dirname "$0")" && pwd)"
export PATH="$PATH:/usr/sbin:/sbin"  # modprobe, for a caller whose PATH has no sbin

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work"/{bin,proc,sys,dev,host}
cp /bin/busybox "$work/bin/busybox"
cp "$here/init" "$work/init"
chmod 755 "$work/init"

# Every module once, dependencies first; built-in ones need nothing.
: >"$work/modules.load"
for wanted in 9p 9pnet_virtio virtio_pci xhci_pci ftdi_sio; do
  modprobe -S "$version" --show-depends "$wanted" | awk '$1 == "insmod" { print $2 }'
done | awk '!seen[$0]++' | while read -r module; do
  mkdir -p "$work$(dirname "$module")"
  # busybox's insmod takes plain modules only: uncompress those a kernel ships compressed.
  case "$module" in
    *.ko.xz) xz -dc "$module" >"$work${module%.xz}"; module="${module%.xz}" ;;
    *.ko.zst) zstd -qdc "$module" >"$work${module%.zst}"; module="${module%.zst}" ;;
    *) cp "$module" "$work$module" ;;
  esac
  echo "$module" >>"$work/modules.load"
done

(cd "$work" && find . | cpio -o -H newc --quiet) | gzip -1 >"$output"
