#!/usr/bin/env bash
# Installs what building, testing and running the panel need on Debian (bookworm or
# later), and nothing when it is all there already.
set -euo pipefail

packages=(
  cmake g++ make pkgconf
  qt6-base-dev qt6-serialport-dev
  fonts-liberation2     # Arial's metrics, so the dialog comes out at its designed size
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
