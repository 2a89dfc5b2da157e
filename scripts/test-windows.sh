#!/usr/bin/env bash
# Runs every Windows test program of the cross build (build-windows/, made by
# scripts/build-windows.sh) under Wine with an X server of its own, each with its own
# time limit, and prints each one's Qt Test results and a summary. Exits non-zero when
# any test fails.
#
# The Wine prefix is kept in ${XDG_CACHE_HOME:-$HOME/.cache}/ldx7320/wine-tests; the
# results are in build-windows/wine-results/. LDX_WINE_TEST_LIMIT caps each test's time
# limit in seconds (default 180).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$repo/build-windows"
"$repo/scripts/install-missing.sh" wine xvfb xdotool cmake python3 g++-mingw-w64-x86-64-posix util-linux mount iproute2

# Wine gives this machine's own serial lines (/dev/ttyS0 is often its console) free COM
# names at every start. The tests run in a mount namespace of their own in which those
# device nodes are empty files, so that no COM name can reach a real line. That takes root;
# without it the checks in which a program searches COM ports by itself are skipped.
# The same namespace has a network of its own, its loopback alone: the SCPI server under
# Wine answers the portmapper's port 111 there, never the machine's.
if [ -z "${LDX_SERIAL_LINES_HIDDEN:-}" ] && unshare -m -n true 2>/dev/null; then
  export LDX_SERIAL_LINES_HIDDEN=1 LDX_NETWORK_PRIVATE=1
  exec unshare -m -n bash -c 'empty="$(mktemp)"
    for line in /dev/ttyS* /dev/ttyUSB* /dev/ttyACM*; do
      [ -e "$line" ] && { mount --bind "$empty" "$line" || exit 1; }
    done
    ip link set lo up || exit 1
    exec "$0" "$@"' "$0" "$@"
fi

[ -f "$build/CTestTestfile.cmake" ] || { echo "No Windows build in $build: run scripts/build-windows.sh first." >&2; exit 1; }
qt="$("$repo/scripts/qt-windows-dir.sh")"
runtime_dir() { dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name="$1")")"; }

# shellcheck source=scripts/wine-session.sh
source "$repo/scripts/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start "${XDG_CACHE_HOME:-$HOME/.cache}/ldx7320/wine-tests"

# The test programs are not deployed: Wine finds Qt and the MinGW runtime on this path.
gcc_runtime="$(runtime_dir libstdc++-6.dll)"
pthread_runtime="$(runtime_dir libwinpthread-1.dll)"
export WINEPATH="$qt/bin;$gcc_runtime;$pthread_runtime"
export QT_PLUGIN_PATH="$qt/plugins"
export QT_QPA_PLATFORM=windows
python3 "$repo/scripts/run-wine-tests.py" "$build" "$build/wine-results"
# The programs on a serial port: a board on a pseudo-terminal behind COM7.
python3 "$repo/scripts/check-windows-serial.py" "$build"
