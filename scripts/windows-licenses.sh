#!/usr/bin/env bash
# Writes the licence texts of the third-party files the Windows packages ship into a
# folder, taken from the Debian packages this machine builds those files with (the same
# packages the MinGW runtime DLLs come from), so that they are the exact texts:
#
#   scripts/windows-licenses.sh DIR
#
#   DIR/LGPL-3.txt, DIR/GPL-3.txt  Qt's licence and the GPL it builds on, which the GCC
#                                  runtime's licence is too (base-files)
#   DIR/Qt.txt                     Debian's copyright file of Qt Base: who holds which
#                                  part of Qt and the third-party code built into it
#   DIR/GCC-runtime.txt            GCC's copyright statement and its Runtime Library
#                                  Exception, out of Debian's gcc-mingw-w64-base
#   DIR/mingw-w64.txt              Debian's copyright file of MinGW-w64 (winpthreads, the
#                                  start-up code linked into each program)
# A file that is not a copy of a whole file starts with a few lines of ours saying what it
# covers and where its text came from. Line ends stay LF; the packaging makes them CRLF.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:?usage: scripts/windows-licenses.sh DIR}"
"$repo/scripts/install-missing.sh" base-files gcc-mingw-w64-base mingw-w64-x86-64-dev qt6-base-dev-tools
mkdir -p "$out"

rule="------------------------------------------------------------------------------"

# package_of FILE: "package version" of the Debian package that installed FILE.
package_of() {
  local package
  package="$(dpkg-query -S "$1" | head -n1 | cut -d: -f1)"
  echo "$package $(dpkg-query -W -f='${Version}' "$package")"
}

cp /usr/share/common-licenses/LGPL-3 "$out/LGPL-3.txt"
cp /usr/share/common-licenses/GPL-3 "$out/GPL-3.txt"

# Qt's copyright file lives with its core library's package, whose name carries the
# release's ABI suffix (libqt6core6, libqt6core6t64).
qt_copyright="$(find /usr/share/doc -maxdepth 2 -path '/usr/share/doc/libqt6core6*/copyright' | head -n1)"
[ -n "$qt_copyright" ] || { echo "No copyright file of Debian's Qt core library in /usr/share/doc" >&2; exit 1; }
{
  cat <<TEXT
The Qt DLLs beside the programs (Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll,
Qt6Network.dll, platforms\\qwindows.dll, styles\\qwindowsvistastyle.dll;
Qt6SerialPort.dll from Qt Serial Port) are built from Qt's own source, which carries the copyright
notices below. Qt is used here under the GNU LGPL version 3 (LGPL-3.txt,
GPL-3.txt); the notices also name the licences of the third-party code built
into Qt. This is the copyright file of Debian's package
$(package_of "$qt_copyright"), $qt_copyright,
unchanged below the line.
$rule
TEXT
  cat "$qt_copyright"
} >"$out/Qt.txt"

gcc_copyright=/usr/share/doc/gcc-mingw-w64-base/copyright
# extract FILE FIRST LAST: the lines from the first one that starts with FIRST to the next
# one that is exactly LAST; fails when there is no such block.
extract() {
  local text
  text="$(awk -v first="$2" -v last="$3" '!on && index($0, first) == 1 {on = 1} on {print} on && $0 == last {exit}' "$1")"
  if [ -z "$text" ] || [ "$(printf '%s\n' "$text" | tail -n1)" != "$3" ]; then
    echo "No block from '$2' to '$3' in $1" >&2
    exit 1
  fi
  printf '%s\n' "$text"
}
{
  cat <<TEXT
libstdc++-6.dll and libgcc_s_seh-1.dll are GCC's runtime libraries, under the
GNU General Public License version 3 (GPL-3.txt) with the GCC Runtime Library
Exception version 3.1. Below the line: GCC's copyright statement, saying
which runtime libraries are under the exception, and the exception's text,
as Debian's package $(package_of "$gcc_copyright") states them in
$gcc_copyright.
$rule
TEXT
  extract "$gcc_copyright" "GCC is Copyright (C)" " - libvtv"
  echo
  extract "$gcc_copyright" "GCC RUNTIME LIBRARY EXCEPTION" "requirements of the license of GCC."
} >"$out/GCC-runtime.txt"

mingw_copyright=/usr/share/doc/mingw-w64-x86-64-dev/copyright
{
  cat <<TEXT
libwinpthread-1.dll is MinGW-w64's winpthreads: the paragraphs "Files:
mingw-w64-libraries/winpthreads/..." below (expat, BSD-3-clause-Lockless,
BSD-3-clause, public domain). ldx7320.exe and ldx7320-cli.exe hold MinGW-w64's
start-up code: "Files: *" and "Files: mingw-w64-crt/...". This is the copyright
file of Debian's package $(package_of "$mingw_copyright"),
$mingw_copyright, unchanged below the line.
$rule
TEXT
  cat "$mingw_copyright"
} >"$out/mingw-w64.txt"
