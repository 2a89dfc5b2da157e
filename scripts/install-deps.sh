#!/usr/bin/env bash
# Installs what building, testing and running the panel need on Debian (bookworm or
# later), and nothing when it is all there already.
set -euo pipefail

packages=(
  cmake g++ make pkgconf
  qt6-base-dev qt6-serialport-dev
  fonts-liberation2     # Arial's metrics, so the dialog comes out at its designed size
)

exec "$(dirname "$0")/install-missing.sh" "${packages[@]}"
