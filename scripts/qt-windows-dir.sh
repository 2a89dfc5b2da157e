#!/usr/bin/env bash
# Prints the folder of the Qt for Windows (MinGW-w64) that the cross build uses,
# unpacking its tarball into the cache once.
#
# Where it comes from, first found wins:
#   $QT_WINDOWS_DIR    an unpacked Qt for MinGW folder, the tarball, or a folder holding it
#   ../shared/toolchains/qt6.4.2-mingw-w64-x86_64.tar.xz, relative to the repository
# Unpacked into ${XDG_CACHE_HOME:-$HOME/.cache}/ldx7320/, outside the repository; a
# tarball whose checksum differs from the one unpacked there is unpacked afresh.
# Exits with 3 and says what is needed when there is none.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
tarball_name="qt6.4.2-mingw-w64-x86_64.tar.xz"
cache="${XDG_CACHE_HOME:-$HOME/.cache}/ldx7320"

is_qt_folder() { [ -f "$1/lib/cmake/Qt6/qt.toolchain.cmake" ] && [ -f "$1/bin/Qt6Core.dll" ]; }

source=""
if [ -n "${QT_WINDOWS_DIR:-}" ]; then
  if [ -d "$QT_WINDOWS_DIR" ] && is_qt_folder "$QT_WINDOWS_DIR"; then
    (cd "$QT_WINDOWS_DIR" && pwd)
    exit 0
  elif [ -f "$QT_WINDOWS_DIR" ]; then
    source="$QT_WINDOWS_DIR"
  elif [ -f "$QT_WINDOWS_DIR/$tarball_name" ]; then
    source="$QT_WINDOWS_DIR/$tarball_name"
  else
    echo "QT_WINDOWS_DIR=$QT_WINDOWS_DIR is neither a Qt for MinGW folder (with lib/cmake/Qt6/qt.toolchain.cmake" \
         "and bin/Qt6Core.dll) nor its tarball, nor a folder holding $tarball_name." >&2
    exit 3
  fi
elif [ -f "$repo/../shared/toolchains/$tarball_name" ]; then
  source="$repo/../shared/toolchains/$tarball_name"
else
  cat >&2 <<MSG
No Qt for Windows to cross-compile against.
Needed: a shared build of Qt 6.4.2 for MinGW-w64 x86-64 (Core, Gui, Widgets, Test, SerialPort,
the windows platform plugin and the windowsvista style), either
  - as ../shared/toolchains/$tarball_name beside this repository, or
  - named by QT_WINDOWS_DIR: the unpacked folder, the tarball, or the folder holding it.
MSG
  exit 3
fi

source="$(cd "$(dirname "$source")" && pwd)/$(basename "$source")"
checksum="$(sha256sum "$source" | cut -d' ' -f1)"
target="$cache/${tarball_name%.tar.xz}"
stamp="$target/.unpacked-from"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$checksum" ] && is_qt_folder "$target"; then
  echo "$target"
  exit 0
fi

echo "Unpacking $source into $cache" >&2
mkdir -p "$cache"
staging="$(mktemp -d "$cache/.unpacking.XXXXXX")"
trap 'rm -rf "$staging"' EXIT
tar -xJf "$source" -C "$staging"
unpacked="$(dirname "$(dirname "$(dirname "$(dirname "$(find "$staging" -path '*/lib/cmake/Qt6/qt.toolchain.cmake' | head -n1)")")")")"
if [ "$unpacked" = "." ] || ! is_qt_folder "$unpacked"; then
  echo "$source holds no Qt for MinGW folder (lib/cmake/Qt6/qt.toolchain.cmake, bin/Qt6Core.dll)." >&2
  exit 3
fi
echo "$checksum" > "$unpacked/.unpacked-from"
rm -rf "$target"
mv "$unpacked" "$target"
echo "$target"
