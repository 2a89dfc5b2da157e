#!/usr/bin/env bash
# Checks the portable Windows zip as a user's PC would see it: unpacked into an empty
# folder, run under Wine with a fresh prefix and nothing on its DLL path but its own
# folder. `ldx7320.exe --version`, `ldx7320-cli.exe --version` and `ldx7320-scpi.exe
# --version` must print the version; the Command Prompt examples of README.txt must
# print in cmd.exe what README.txt says they print (the one with a file of commands and
# COM7 runs on the simulated board); `ldx7320.exe --simulate` must show
# the panel, which is photographed for a person to look at.
#
#   scripts/check-windows-zip.sh [ZIP]   (default: the zip in dist/ for the built version)
# The screenshot goes to $LDX_SCREENSHOT, default build-windows/zip-check/panel-under-wine.png.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
"$repo/scripts/install-missing.sh" wine xvfb xdotool imagemagick unzip

version="$(sed -n 's/^project(ldx7320 VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")"
zip_path="${1:-$repo/dist/ldx7320-$version-windows-x64.zip}"
[ -f "$zip_path" ] || { echo "No zip at $zip_path: run scripts/build-windows.sh first." >&2; exit 1; }
screenshot="${LDX_SCREENSHOT:-$repo/build-windows/zip-check/panel-under-wine.png}"

work="$(mktemp -d)"
# shellcheck source=scripts/wine-session.sh
source "$repo/scripts/wine-session.sh"
trap 'wine_session_stop; rm -rf "$work"' EXIT

unzip -q "$zip_path" -d "$work/unpacked"
folder="$(find "$work/unpacked" -mindepth 1 -maxdepth 1 -type d)"
exe="$folder/ldx7320.exe"
[ -f "$exe" ] || { echo "No ldx7320.exe at the top of the zip's folder" >&2; exit 1; }

# Exactly what a PC without Qt needs, the console program and the SCPI server, the
# read-me, the notice and the licences; no tests.
expected=(Qt6Core.dll Qt6Gui.dll Qt6Network.dll Qt6SerialPort.dll Qt6Widgets.dll ldx7320.exe ldx7320-cli.exe ldx7320-scpi.exe libgcc_s_seh-1.dll
  libstdc++-6.dll libwinpthread-1.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll
  README.txt LICENSE.txt licenses/LGPL-3.txt licenses/GPL-3.txt licenses/Qt.txt
  licenses/GCC-runtime.txt licenses/mingw-w64.txt)
contents="$(cd "$folder" && find . -type f | sed 's|^\./||' | sort)"
if [ "$contents" != "$(printf '%s\n' "${expected[@]}" | sort)" ]; then
  echo "FAIL: the zip's folder holds" >&2
  echo "$contents" | sed 's/^/  /' >&2
  echo "instead of: ${expected[*]}" >&2
  exit 1
fi
echo "ok: $(basename "$zip_path") holds $(echo "$contents" | wc -l) files: $(echo "$contents" | tr '\n' ' ')"

# Text for Windows: every line of every text file ends with CR LF.
while IFS= read -r text; do
  if [ "$(grep -c $'\r$' "$folder/$text")" -ne "$(wc -l <"$folder/$text")" ]; then
    echo "FAIL: $text has lines that do not end with CR LF" >&2
    exit 1
  fi
done < <(echo "$contents" | grep '\.txt$')
grep -q "^Version $version"$'\r$' "$folder/README.txt" \
  || { echo "FAIL: README.txt does not name the version $version" >&2; exit 1; }
echo "ok: the text files have CR LF line ends; README.txt names version $version"

# Nothing from this machine's Qt or MinGW may help the program find its DLLs.
unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM_PLUGIN_PATH QT_QPA_PLATFORM
wine_session_start "$work/prefix"
cd "$folder"

# check_version EXE EXPECTED: the program runs from the folder alone and prints EXPECTED.
check_version() {
  local status=0 printed
  printed="$(wine "./$1" --version 2>&1 | tr -d '\r')" || status=$?
  if [ "$status" -ne 0 ] || [ "$printed" != "$2" ]; then
    echo "FAIL: $1 --version exited with $status and printed '$printed', not '$2'" >&2
    exit 1
  fi
  echo "ok: $1 --version prints '$printed'"
}
check_version ldx7320.exe "LDX7320 $version"
check_version ldx7320-cli.exe "ldx7320-cli $version"
check_version ldx7320-scpi.exe "ldx7320-scpi $version"

# The read-me's examples for the Command Prompt on the simulated board, typed into
# cmd.exe as they stand, must exit with 0 and print the answers the read-me shows under
# them (the indented lines after the next "print:" line, or the next indented line).
readme="$(tr -d '\r' <README.txt)"
# check_readme_example COMMAND ANSWERS
check_readme_example() {
  local status=0 printed
  printed="$(wine cmd /c "$1" 2>&1 | tr -d '\r')" || status=$?
  if [ "$status" -ne 0 ] || [ "$printed" != "$2" ]; then
    echo "FAIL: README.txt's example '$1' in cmd.exe exited with $status and printed" >&2
    echo "$printed" | sed 's/^/  /' >&2
    echo "instead of" >&2
    echo "$2" | sed 's/^/  /' >&2
    exit 1
  fi
  echo "ok: in cmd.exe, README.txt's example '$1' exits with 0 and prints the answers expected"
}
if [ -f ldx7320-cli.exe ]; then
  example="$(echo "$readme" | sed -n 's/^    \(ldx7320-cli --simulate on ; .*\)$/\1/p')"
  answers="$(echo "$readme" | sed -n '/^Both print:$/,/^[^ ]/s/^    //p')"
  if [ -z "$example" ] || [ -z "$answers" ]; then
    echo "FAIL: README.txt has no ';' example with its answers" >&2
    exit 1
  fi
  check_readme_example "$example" "$answers"
  # The file of commands, a Windows text file, on the simulated board instead of COM7.
  example="$(echo "$readme" | sed -n 's/^    \(type commands.txt | ldx7320-cli --port COM7 -\)$/\1/p')"
  [ -n "$example" ] || { echo "FAIL: README.txt has no example of a file of commands" >&2; exit 1; }
  printf 'on\r\nleds A1\r\nread S\r\n' >commands.txt
  check_readme_example "${example/--port COM7/--simulate}" \
    "$(printf 'on: output on\nleds A1: REGISTER_S 0x01, LEDs on: A1\nread S: 0x01, LEDs on: A1')"
  rm commands.txt
  example="$(echo "$readme" | sed -n 's/^    \(ldx7320-cli --simulate --json .*\)$/\1/p')"
  answers="$(echo "$readme" | grep -A3 -xF "    $example" | sed -n 's/^    \({.*\)$/\1/p')"
  if [ -z "$example" ] || [ -z "$answers" ]; then
    echo "FAIL: README.txt has no --json example with its answer" >&2
    exit 1
  fi
  check_readme_example "$example" "$answers"
fi

# The panel on the simulated board: a window titled exactly "LDX7320 (simulated board)"
# (xdotool matches names ignoring case, and Qt's own error boxes are titled ldx7320) and
# larger than any message box. xdotool ends with status 1 on any X error, such as a window
# that went away while it looked: every call may fail, and the search is made again.
title="LDX7320 (simulated board)"
panel_window() {
  local id width
  for id in $(xdotool search --onlyvisible --name '^LDX7320 \(simulated board\)$' 2>/dev/null || true); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null || true)" = "$title" ] || continue
    width="$(xdotool getwindowgeometry "$id" 2>/dev/null | sed -n 's/^ *Geometry: \([0-9]*\)x.*/\1/p' || true)"
    [ "${width:-0}" -ge 500 ] && { echo "$id"; return 0; }
  done
  return 0
}

wine ./ldx7320.exe --simulate >"$work/simulate.log" 2>&1 &
program=$!
disown "$program"  # ended with the Wine session, without the shell reporting it killed
window=""
for _ in $(seq 600); do
  window="$(panel_window)"
  [ -n "$window" ] && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "FAIL: the panel did not appear; the program said:" >&2
  cat "$work/simulate.log" >&2
  mkdir -p "$(dirname "$screenshot")"
  import -window root "$screenshot" && echo "What the screen shows instead: $screenshot" >&2
  exit 1
fi
sleep 2  # let the panel paint itself fully before the photograph
mkdir -p "$(dirname "$screenshot")"
import -window root "$screenshot"
geometry="$(xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')"
colours="$(convert "$screenshot" -format '%k' info:)"
echo "ok: ldx7320.exe --simulate shows the panel ($geometry pixels); screenshot $screenshot ($colours colours)"
if [ "$colours" -lt 16 ]; then
  echo "FAIL: the screenshot is nearly blank" >&2
  exit 1
fi
kill -0 "$program" 2>/dev/null || { echo "FAIL: the program ended by itself" >&2; exit 1; }
