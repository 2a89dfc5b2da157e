#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice: a plain
# build with every warning an error, and an address + undefined-behaviour sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
# The lab's SCPI and VXI-11 clients, which the tests of ldx7320-scpi drive it with, and the
# system's portmapper (rpcbind, with rpcinfo) and the namespace tools its VXI-11 tests use.
scripts/install-missing.sh python3-pyvisa python3-pyvisa-py lxi-tools rpcbind iproute2 util-linux
# The DNS-SD test's own system bus and Avahi (never the machine's), which lxi discovers
# the server through.
scripts/install-missing.sh dbus-daemon avahi-daemon avahi-utils
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

scripts/configure-build.sh
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-Werror -DLDX_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
