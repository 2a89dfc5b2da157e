#!/usr/bin/env bash
# Makes the portable Windows zip from a cross build: one folder holding the programs,
# every DLL a Windows PC without Qt needs, the read-me for Windows users, the panel's
# notice and the licences of the DLLs (licenses\), and nothing else. Checks that each DLL
# the programs and bundled DLLs import is either in the folder or part of Windows.
# The setup program (scripts/make-windows-setup.sh) installs what this zip holds.
#
#   scripts/make-windows-zip.sh [BUILD_DIR]    (default: build-windows)
# Writes dist/ldx7320-<version>-windows-x64.zip.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build-windows}" && pwd)"
qt="$("$repo/scripts/qt-windows-dir.sh")"
cxx=x86_64-w64-mingw32-g++-posix

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[ -n "$version" ] || { echo "No project version in $build/CMakeCache.txt" >&2; exit 1; }
name="ldx7320-$version-windows-x64"

runtime_dll() {
  local path
  path="$($cxx -print-file-name="$1")"
  [ -f "$path" ] || { echo "$1 not found by $cxx" >&2; exit 1; }
  realpath "$path"
}

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
folder="$stage/$name"
mkdir -p "$folder/platforms" "$folder/styles"

cp "$build/app/ldx7320.exe" "$folder/"
# The console program and the SCPI server.
cp "$build/cli/ldx7320-cli.exe" "$build/scpi/ldx7320-scpi.exe" "$folder/"
for module in Core Gui Widgets SerialPort Network; do
  cp "$qt/bin/Qt6$module.dll" "$folder/"
done
cp "$qt/plugins/platforms/qwindows.dll" "$folder/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$folder/styles/"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp "$(runtime_dll "$dll")" "$folder/"
done
# No symbols or debug sections (Debian's MinGW runtime DLLs carry them): a user has no
# use for them. A DLL keeps what it exports.
find "$folder" -name '*.exe' -exec x86_64-w64-mingw32-strip --strip-all {} +
find "$folder" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +

# For the user: the read-me and the panel's notice (cmake/windows/), and the licence
# texts of the DLLs. Text files get Windows line ends, for every editor a user may open
# them with.
qt_version="$(sed -n 's/^#define QT_VERSION_STR "\(.*\)"$/\1/p' "$qt/include/QtCore/qconfig.h")"
[ -n "$qt_version" ] || { echo "No QT_VERSION_STR in $qt/include/QtCore/qconfig.h" >&2; exit 1; }
for text in README.txt LICENSE.txt; do
  sed -e "s/@VERSION@/$version/g" -e "s/@QT_VERSION@/$qt_version/g" "$repo/cmake/windows/$text.in" >"$folder/$text"
  if grep -q '@[A-Z_]*@' "$folder/$text"; then
    echo "cmake/windows/$text.in has a placeholder this script does not fill in" >&2
    exit 1
  fi
done
"$repo/scripts/windows-licenses.sh" "$folder/licenses"
find "$folder" -name '*.txt' -exec sed -i 's/\r*$/\r/' {} +

# What Windows 10 and later have in System32 (Qt 6 runs on nothing older), as the bundled
# programs and DLLs import them; api-ms-win-* names are Windows' own API sets.
system_dlls=(advapi32 authz comdlg32 d3d9 d3d11 dnsapi dwmapi dwrite dxgi gdi32 imm32 iphlpapi kernel32 mpr
  msvcrt netapi32 ole32 oleaut32 secur32 setupapi shcore shell32 shlwapi user32 userenv uxtheme version winhttp
  winmm ws2_32 wtsapi32)
known=" ${system_dlls[*]} "
known+="$(find "$folder" -maxdepth 1 -iname '*.dll' -printf '%f\n' | tr '[:upper:]' '[:lower:]' | sed 's/\.dll$//' | tr '\n' ' ')"
unresolved=0
while IFS= read -r module; do
  for import in $(x86_64-w64-mingw32-objdump -p "$module" | awk '/DLL Name:/ {print $3}'); do
    base="$(echo "${import%.*}" | tr '[:upper:]' '[:lower:]')"
    case "$known" in *" $base "*) continue ;; esac
    case "$base" in api-ms-win-*) continue ;; esac
    echo "${module#"$stage/"} imports $import, which is neither in the zip nor part of Windows" >&2
    unresolved=1
  done
done < <(find "$folder" -type f \( -iname '*.exe' -o -iname '*.dll' \) | sort)
[ "$unresolved" -eq 0 ] || exit 1

mkdir -p "$repo/dist"
zip_path="$repo/dist/$name.zip"
rm -f "$zip_path"
(cd "$stage" && zip -q -r -X "$zip_path" "$name")
echo "Made $zip_path:"
(cd "$stage" && find "$name" -type f | sort | sed 's/^/  /')
