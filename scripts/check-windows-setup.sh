#!/usr/bin/env bash
# Checks the Windows setup program as a user's PC would see it, under Wine with a fresh
# prefix and an X server of its own:
#  1. Installed silently (/S) for the current user, the folder
#     %LOCALAPPDATA%\Programs\LDX7320 holds exactly the portable zip's files, unchanged,
#     and uninstall.exe; the installed ldx7320.exe, ldx7320-cli.exe and ldx7320-scpi.exe --version
#     print the version; the Start-menu shortcuts "LDX7320" and "LDX7320 (simulated
#     board)" start ldx7320.exe there (the second with --simulate); the Apps & features
#     entry (HKCU\...\Uninstall\LDX7320) holds what it should.
#  2. Uninstalled silently, nothing of it is left: no folder, no shortcut, no key.
#  3. Installed again into a folder named with /D, next to another program's shortcut and
#     entry, and with a file of the user's put into the installed folder: the uninstaller
#     removes its own files, shortcuts and key and leaves exactly the others.
#  4. Started as a user starts it, its first two pages are photographed for a person to
#     look at.
# Prints what it checked; exits non-zero at the first failure. No program is started that
# looks for a board on the machine's serial ports.
#
#   scripts/check-windows-setup.sh [SETUP]   (default: the setup program in dist/ for the built version)
# The setup program is compared with the zip beside it, dist/ldx7320-<version>-windows-x64.zip.
# The screenshots go to $LDX_SCREENSHOT_DIR, default build-windows/setup-check/.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
"$repo/scripts/install-missing.sh" wine xvfb xdotool imagemagick unzip python3

version="$(sed -n 's/^project(ldx7320 VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")"
name="ldx7320-$version-windows-x64"
setup="$(realpath "${1:-$repo/dist/$name-setup.exe}")"
[ -f "$setup" ] || { echo "No setup program at $setup: run scripts/build-windows.sh first." >&2; exit 1; }
zip_path="$(dirname "$setup")/$name.zip"
[ -f "$zip_path" ] || { echo "No zip at $zip_path to compare the setup program with." >&2; exit 1; }
screenshots="${LDX_SCREENSHOT_DIR:-$repo/build-windows/setup-check}"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# What Windows reads from the file before it runs it: a 64-bit program (this Wine runs no
# other), and a manifest asking for no administrator rights.
machine="$(python3 -c 'import struct, sys
data = open(sys.argv[1], "rb").read(4096)
print(hex(struct.unpack_from("<H", data, struct.unpack_from("<I", data, 0x3C)[0] + 4)[0]))' "$setup")"
[ "$machine" = 0x8664 ] || fail "$(basename "$setup") is not an x86-64 program (machine $machine)"
grep -aq 'level="asInvoker"' "$setup" || fail "$(basename "$setup")'s manifest does not ask to run as the invoking user"
echo "ok: $(basename "$setup"), $(stat -c %s "$setup") bytes: an x86-64 program that runs without administrator rights"

work="$(mktemp -d)"
# shellcheck source=scripts/wine-session.sh
source "$repo/scripts/wine-session.sh"
trap 'wine_session_stop; rm -rf "$work"' EXIT

unzip -q "$zip_path" -d "$work/zip"
zip_folder="$work/zip/$name"
[ -d "$zip_folder" ] || fail "$(basename "$zip_path") holds no folder $name"
zip_files="$(cd "$zip_folder" && find . -type f -printf '%P\n' | LC_ALL=C sort)"

unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM_PLUGIN_PATH QT_QPA_PLATFORM
wine_session_start "$work/prefix"
# Shortcuts made in the prefix must not become menu entries of this machine's desktop.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

# run_to_end LOG PROGRAM [ARGUMENT...]: runs a Windows program and waits until it and every
# process it started have ended: the NSIS uninstaller hands over to a copy of itself in
# %TEMP% and returns at once. The session's lasting Wine server never ends, so it makes
# way for one that ends with the last program, and is started again afterwards.
run_to_end() {
  local log="$1" status=0
  shift
  wineserver -k 2>/dev/null || true
  wine "$@" </dev/null >"$log" 2>&1 || status=$?
  wineserver -w
  wineserver -p >/dev/null 2>&1
  wine wineboot </dev/null >/dev/null 2>&1
  return "$status"
}

# windows_value TEXT: what cmd.exe makes of TEXT (%VARIABLES% expanded).
windows_value() { wine cmd /c "echo $1" | tr -d '\r'; }
unix_path() { winepath -u "$1" 2>/dev/null; }

local_appdata="$(windows_value '%LOCALAPPDATA%')"
install_dir="$local_appdata\\Programs\\LDX7320"
install_unix="$(unix_path "$install_dir")"
start_menu="$(unix_path "$(windows_value '%APPDATA%')\\Microsoft\\Windows\\Start Menu\\Programs")"
shortcut="$start_menu/LDX7320.lnk"
simulated_shortcut="$start_menu/LDX7320 (simulated board).lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\LDX7320'
# The setup program where a user has it, in Downloads: a path without spaces, so that
# /D=FOLDER can follow it on a command line of cmd.exe's as it must, unquoted.
downloads="$(unix_path "$(windows_value '%USERPROFILE%')\\Downloads")"
mkdir -p "$downloads"
cp "$setup" "$downloads/"
setup_windows="$(windows_value '%USERPROFILE%')\\Downloads\\$(basename "$setup")"
if [ -z "$local_appdata" ] || [ ! -d "$start_menu" ]; then
  fail "the Wine prefix has no %LOCALAPPDATA% or Start menu"
fi

# shortcut_field LNK FIELD: the target, arguments or working folder a shortcut holds.
shortcut_field() {
  python3 - "$1" "$2" <<'PYTHON'
import struct, sys

# The shell link format: a 76-byte header, the item id list, the link info (the target's
# local path), then counted strings in a fixed order, each present when its flag is set.
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 0x14)[0]
fields, pos = {}, 0x4C
if flags & 0x1:
    pos += 2 + struct.unpack_from("<H", data, pos)[0]
if flags & 0x2:
    size, header_size, info_flags, _, base = struct.unpack_from("<5I", data, pos)
    if info_flags & 0x1:
        if header_size >= 0x24:
            start = pos + struct.unpack_from("<I", data, pos + 28)[0]
            end = start
            while data[end:end + 2] != b"\0\0":
                end += 2
            fields["target"] = data[start:end].decode("utf-16-le")
        else:
            fields["target"] = data[pos + base:data.index(b"\0", pos + base)].decode("latin-1")
    pos += size
wide = 2 if flags & 0x80 else 1
for bit, field in ((0x4, "comment"), (0x8, "relative"), (0x10, "workdir"), (0x20, "arguments"), (0x40, "icon")):
    if flags & bit:
        count = struct.unpack_from("<H", data, pos)[0]
        text = data[pos + 2:pos + 2 + count * wide]
        fields[field] = text.decode("utf-16-le" if wide == 2 else "latin-1").rstrip("\0")
        pos += 2 + count * wide
print(fields.get(sys.argv[2], ""))
PYTHON
}

# check_shortcut LNK FOLDER ARGUMENTS: LNK starts FOLDER\ldx7320.exe with ARGUMENTS in FOLDER.
check_shortcut() {
  local target arguments workdir
  [ -f "$1" ] || fail "no shortcut $1"
  target="$(shortcut_field "$1" target)"
  arguments="$(shortcut_field "$1" arguments)"
  workdir="$(shortcut_field "$1" workdir)"
  [ "${target,,}" = "${2,,}\\ldx7320.exe" ] || fail "$(basename "$1") starts '$target', not $2\\ldx7320.exe"
  [ "$arguments" = "$3" ] || fail "$(basename "$1") passes '$arguments', not '$3'"
  [ "${workdir,,}" = "${2,,}" ] || fail "$(basename "$1") starts in '$workdir', not $2"
  echo "ok: Start menu: $(basename "$1") -> $target${arguments:+ $arguments}, in $workdir"
}

# registry_values KEY: "NAME TYPE VALUE" a line, sorted; nothing when there is no such key.
registry_values() {
  wine reg query "$1" 2>/dev/null | tr -d '\r' | sed -n 's/^    \([^ ].*[^ ]\)    \(REG_[A-Z_]*\)    \(.*\)$/\1 \2 \3/p; s/^    \([^ ].*[^ ]\)    \(REG_[A-Z_]*\)$/\1 \2 /p' | LC_ALL=C sort
}

# check_installed FOLDER: what one installation into FOLDER (a Windows path) must have made.
check_installed() {
  local folder="$1" folder_unix files program printed expected actual_kb estimated
  folder_unix="$(unix_path "$folder")"
  [ -d "$folder_unix" ] || fail "no folder $folder after the installation"
  files="$(cd "$folder_unix" && find . -type f -printf '%P\n' | LC_ALL=C sort)"
  expected="$(printf '%s\nuninstall.exe\n' "$zip_files" | LC_ALL=C sort)"
  if [ "$files" != "$expected" ]; then
    echo "FAIL: $folder holds" >&2
    printf '%s\n' "$files" | sed 's/^/  /' >&2
    echo "instead of the zip's files and uninstall.exe:" >&2
    printf '%s\n' "$expected" | sed 's/^/  /' >&2
    exit 1
  fi
  while IFS= read -r file; do
    cmp -s "$zip_folder/$file" "$folder_unix/$file" || fail "$folder\\$file differs from the zip's"
  done <<<"$zip_files"
  echo "ok: $folder holds the zip's $(wc -l <<<"$zip_files") files, byte for byte, and uninstall.exe"

  for program in "ldx7320.exe:LDX7320 $version" "ldx7320-cli.exe:ldx7320-cli $version" "ldx7320-scpi.exe:ldx7320-scpi $version"; do
    printed="$(wine "$folder\\${program%%:*}" --version 2>&1 | tr -d '\r')" || fail "$folder\\${program%%:*} --version failed: $printed"
    [ "$printed" = "${program#*:}" ] || fail "$folder\\${program%%:*} --version printed '$printed', not '${program#*:}'"
    echo "ok: the installed ${program%%:*} --version prints '$printed'"
  done

  check_shortcut "$shortcut" "$folder" ""
  check_shortcut "$simulated_shortcut" "$folder" "--simulate"

  actual_kb=$(( ($(find "$folder_unix" -type f -printf '%s\n' | awk '{bytes += $1} END {print bytes}') + 1023) / 1024 ))
  estimated="$(registry_values "$key" | sed -n 's/^EstimatedSize REG_DWORD //p')"
  estimated=$((estimated))
  if [ "$estimated" -lt "$actual_kb" ] || [ "$estimated" -gt $((actual_kb + 4)) ]; then
    fail "EstimatedSize is $estimated KB, the installed files take $actual_kb KB"
  fi
  expected="$(LC_ALL=C sort <<VALUES
DisplayIcon REG_SZ $folder\\ldx7320.exe,0
DisplayName REG_SZ LDX7320
DisplayVersion REG_SZ $version
EstimatedSize REG_DWORD $(printf '0x%x' "$estimated")
InstallLocation REG_SZ $folder
NoModify REG_DWORD 0x1
NoRepair REG_DWORD 0x1
Publisher REG_SZ Lumadex
QuietUninstallString REG_SZ "$folder\\uninstall.exe" /S
UninstallString REG_SZ "$folder\\uninstall.exe"
VALUES
)"
  if [ "$(registry_values "$key")" != "$expected" ]; then
    echo "FAIL: $key holds" >&2
    registry_values "$key" | sed 's/^/  /' >&2
    echo "instead of" >&2
    printf '%s\n' "$expected" | sed 's/^/  /' >&2
    exit 1
  fi
  echo "ok: Apps & features: $key holds"
  printf '%s\n' "$expected" | sed 's/^/      /'
  echo "    (EstimatedSize: the installed files take $actual_kb KB)"
}

# uninstall FOLDER: runs FOLDER\uninstall.exe /S as QuietUninstallString says, to its end.
uninstall() {
  local status=0
  run_to_end "$work/uninstall.log" "$1\\uninstall.exe" /S || status=$?
  [ "$status" -eq 0 ] || fail "$1\\uninstall.exe /S exited with $status: $(cat "$work/uninstall.log")"
}

# check_removed: the shortcuts and the key are gone.
check_removed() {
  [ ! -e "$shortcut" ] || fail "the uninstaller left $shortcut"
  [ ! -e "$simulated_shortcut" ] || fail "the uninstaller left $simulated_shortcut"
  [ -z "$(registry_values "$key")" ] || fail "the uninstaller left $key"
  wine reg query "$key" >/dev/null 2>&1 && fail "the uninstaller left the empty key $key"
  echo "ok: no shortcut LDX7320.lnk or 'LDX7320 (simulated board).lnk' left in the Start menu, no key $key"
}

echo "1. Silent installation into a fresh prefix"
[ ! -e "$install_unix" ] || fail "$install_dir exists before the installation"
status=0
run_to_end "$work/setup.log" "$setup_windows" /S || status=$?
[ "$status" -eq 0 ] || fail "$(basename "$setup") /S exited with $status: $(cat "$work/setup.log")"
check_installed "$install_dir"

echo "2. Silent uninstallation"
uninstall "$install_dir"
[ ! -e "$install_unix" ] || fail "the uninstaller left $install_dir: $(cd "$install_unix" && find . | tr '\n' ' ')"
echo "ok: no folder $install_dir left"
check_removed
left="$(find "$WINEPREFIX/drive_c" -iname '*ldx7320*' -not -path "$downloads/$(basename "$setup")" | sed "s|^$WINEPREFIX/||")"
[ -z "$left" ] || fail "files named after LDX7320 are left: $left"
# The prefix's registry files are written when its server ends, which run_to_end waited for.
left="$(grep -i 'ldx7320' "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg" || true)"
[ -z "$left" ] || fail "the registry still names LDX7320: $left"
echo "ok: nothing in the prefix's files or registry names LDX7320"

echo "3. Installation into a folder named with /D, beside a user's file and another program"
other_dir='C:\Tools\LDX 7320'
other_unix="$(unix_path "$other_dir")"
other_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\OtherProgram'
wine reg add "$other_key" /v DisplayName /d "Other program" /f >/dev/null 2>&1
touch "$start_menu/Other program.lnk"
status=0
# Wine would quote an argument with a space, and NSIS takes /D= only unquoted.
run_to_end "$work/setup.log" cmd /c "$setup_windows /S /D=$other_dir" || status=$?
[ "$status" -eq 0 ] || fail "$(basename "$setup") /S /D=$other_dir exited with $status: $(cat "$work/setup.log")"
[ ! -e "$install_unix" ] || fail "/D=$other_dir installed into $install_dir too"
check_installed "$other_dir"
echo "my notes" >"$other_unix/notes.txt"
mkdir -p "$other_unix/licenses/mine" && echo "mine" >"$other_unix/licenses/mine/licence.txt"
uninstall "$other_dir"
left="$(cd "$other_unix" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ')"
[ "$left" = "licenses licenses/mine licenses/mine/licence.txt notes.txt " ] \
  || fail "the uninstaller left '$left' in $other_dir, not exactly the user's files and their folders"
echo "ok: the uninstaller left exactly the user's files in $other_dir: $left"
check_removed
[ -f "$start_menu/Other program.lnk" ] || fail "the uninstaller removed another program's shortcut"
[ -n "$(registry_values "$other_key")" ] || fail "the uninstaller removed $other_key"
echo "ok: another program's shortcut and $other_key are still there"

echo "4. The setup program as a user starts it"
mkdir -p "$screenshots"
wine "$setup_windows" >"$work/interactive.log" 2>&1 &
program=$!
disown "$program"  # ended with the Wine session, without the shell reporting it killed
window=""
for _ in $(seq 600); do
  window="$(xdotool search --onlyvisible --name "^LDX7320 Setup\$" 2>/dev/null | head -n1 || true)"
  [ -n "$window" ] && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
[ -n "$window" ] || fail "no window 'LDX7320 Setup' appeared: $(cat "$work/interactive.log")"
sleep 2  # let the page paint itself fully before the photograph
import -window root "$screenshots/1-welcome.png"
before="$(import -window "$window" rgb:- | md5sum)"
xdotool key --window "$window" Return  # Next
changed=""
for _ in $(seq 100); do
  [ "$(import -window "$window" rgb:- | md5sum)" != "$before" ] && { changed=1; break; }
  sleep 0.1
done
[ -n "$changed" ] || fail "Next did not lead from the welcome page to another"
sleep 1  # the page is shown; let it finish painting
import -window root "$screenshots/2-folder.png"
echo "ok: the setup program shows its pages: $screenshots/1-welcome.png, $screenshots/2-folder.png"
[ ! -e "$install_unix" ] || fail "the setup program installed before Install was pressed"
