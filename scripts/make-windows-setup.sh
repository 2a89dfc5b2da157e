#!/usr/bin/env bash
# Makes the Windows setup program with NSIS (cmake/windows/setup.nsi): a 64-bit installer
# for the current user that installs exactly what the portable zip holds, plus its
# uninstaller. The file list is read from the zip itself, so the two cannot differ.
#
#   scripts/make-windows-setup.sh [BUILD_DIR]    (default: build-windows)
# Needs dist/ldx7320-<version>-windows-x64.zip (scripts/make-windows-zip.sh) and writes
# dist/ldx7320-<version>-windows-x64-setup.exe.
set -euo pipefail
export LC_ALL=C  # one sort order for the file list
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build-windows}" && pwd)"
"$repo/scripts/install-missing.sh" nsis unzip

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[ -n "$version" ] || { echo "No project version in $build/CMakeCache.txt" >&2; exit 1; }
if ! [[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
  echo "The setup program's version resource needs four numbers, not $version" >&2
  exit 1
fi
name="ldx7320-$version-windows-x64"
zip_path="$repo/dist/$name.zip"
[ -f "$zip_path" ] || { echo "No zip at $zip_path: run scripts/make-windows-zip.sh first." >&2; exit 1; }

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
unzip -q "$zip_path" -d "$stage"
folder="$stage/$name"
[ -f "$folder/ldx7320.exe" ] || { echo "$zip_path holds no $name/ldx7320.exe" >&2; exit 1; }

# The file list as NSIS macros: each file installed into its folder, and removed by name,
# folders deepest first (removed only when empty).
nsis_path() { printf '%s' "${1//\//\\}"; }
list="$stage/files.nsh"
{
  echo "; The files of $name.zip, made by scripts/make-windows-setup.sh."
  echo "!macro LDX_INSTALL_FILES"
  current=""
  while IFS= read -r file; do
    dir="$(dirname "$file")"
    if [ "$dir" != "$current" ]; then
      if [ "$dir" = . ]; then echo "  SetOutPath \"\$INSTDIR\""; else echo "  SetOutPath \"\$INSTDIR\\$(nsis_path "$dir")\""; fi
      current="$dir"
    fi
    echo "  File \"$folder/$file\""
  done < <(cd "$folder" && find . -type f -printf '%P\n' | sort)
  echo "!macroend"
  echo "!macro LDX_REMOVE_FILES"
  (cd "$folder" && find . -type f -printf '%P\n' | sort) | while IFS= read -r file; do
    echo "  Delete \"\$INSTDIR\\$(nsis_path "$file")\""
  done
  (cd "$folder" && find . -mindepth 1 -type d -printf '%d %P\n' | sort -rn | cut -d' ' -f2-) | while IFS= read -r dir; do
    echo "  RMDir \"\$INSTDIR\\$(nsis_path "$dir")\""
  done
  echo "!macroend"
  echo "!define LDX_FILES_KB $(find "$folder" -type f -printf '%s\n' | awk '{bytes += $1} END {print int((bytes + 1023) / 1024)}')"
} >"$list"

setup="$repo/dist/$name-setup.exe"
rm -f "$setup"
makensis -V2 -WX -NOCD \
  -DVERSION="$version" -DFILE_LIST="$list" -DICON="$repo/res/images/ldx7320.ico" -DOUT_FILE="$setup" \
  "$repo/cmake/windows/setup.nsi"
echo "Made $setup ($(stat -c %s "$setup") bytes), installing $(find "$folder" -type f | wc -l) files and uninstall.exe"
