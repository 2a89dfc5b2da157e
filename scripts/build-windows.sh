#!/usr/bin/env bash
# Cross-compiles the program and the tests for 64-bit Windows with MinGW-w64 into
# build-windows/, every warning an error, then makes the portable zip and the setup
# program (which installs what the zip holds) in dist/.
# Installs what is missing; the Qt for Windows comes from scripts/qt-windows-dir.sh
# ($QT_WINDOWS_DIR, or ../shared/toolchains/ beside the repository), unpacked once into
# ${XDG_CACHE_HOME:-$HOME/.cache}/ldx7320/.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
cd "$repo"

scripts/install-missing.sh g++-mingw-w64-x86-64-posix mingw-w64-tools qt6-base-dev-tools ninja-build cmake \
  wine xvfb zip unzip nsis
qt="$(scripts/qt-windows-dir.sh)"

cmake -G Ninja -S . -B build-windows \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS=-Werror >/dev/null
cmake --build build-windows -j"$(nproc)"
scripts/make-windows-zip.sh build-windows
scripts/make-windows-setup.sh build-windows
