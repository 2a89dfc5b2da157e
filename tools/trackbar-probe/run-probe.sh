#!/usr/bin/env bash
# run-probe.sh: build trackbar_probe.exe, run it under Wine on a private Xvfb
# display, drive one gesture per run with xdotool and write what the trackbar
# sent to probe-log.txt next to this script (rewritten on every run).
#
# Needs these Debian packages (installed with apt-get when missing and run as
# root): wine (the 64-bit part is enough), g++-mingw-w64-x86-64-posix (for
# x86_64-w64-mingw32-gcc), xvfb, xdotool.
#
# Environment:
#   PROBE_DISPLAY  X display to create, e.g. :77 (must be free; by default
#                  the first free one from :77 up)
#   WINEPREFIX     Wine prefix to use (default
#                  ${XDG_CACHE_HOME:-$HOME/.cache}/ldx7320/wine-probe)
#
# Usage: tools/trackbar-probe/run-probe.sh
set -u

HERE=$(cd "$(dirname "$0")" && pwd)
OUT="$HERE/probe-log.txt"
DISP="${PROBE_DISPLAY:-}"
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/ldx7320/wine-probe}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all

die() { echo "run-probe: $*" >&2; exit 1; }

# --- packages ---------------------------------------------------------------
missing=()
for p in wine g++-mingw-w64-x86-64-posix xvfb xdotool; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    [ "$(id -u)" = 0 ] || die "missing packages: ${missing[*]} (install them as root)"
    apt-get install -y --no-install-recommends "${missing[@]}" || die "apt-get failed"
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/trackbar-probe.XXXXXX")
XVFB_PID=
PROBE_PID=
cleanup() {
    [ -n "$PROBE_PID" ] && kill "$PROBE_PID" 2>/dev/null
    # Let this prefix's wineserver go down on its own before the display does.
    [ -n "$XVFB_PID" ] && timeout 20 wineserver -w 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# --- build ------------------------------------------------------------------
x86_64-w64-mingw32-gcc -O2 -Wall -Wextra -static -mwindows \
    -o "$WORK/trackbar_probe.exe" "$HERE/trackbar_probe.c" -lcomctl32 \
    || die "build failed"

# --- display and Wine prefix -------------------------------------------------
if [ -z "$DISP" ]; then
    # First display number from 77 up with neither a lock nor a socket.
    for n in $(seq 77 199); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { DISP=":$n"; break; }
    done
    [ -n "$DISP" ] || die "no free X display between :77 and :199"
fi
[ -e "/tmp/.X${DISP#:}-lock" ] && die "display $DISP is in use"
Xvfb "$DISP" -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.txt" 2>&1 &
XVFB_PID=$!
export DISPLAY="$DISP"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
kill -0 "$XVFB_PID" 2>/dev/null && xdotool getmouselocation >/dev/null 2>&1 \
    || die "Xvfb did not start on $DISP"
echo "run-probe: Xvfb on $DISP, Wine prefix $WINEPREFIX"

mkdir -p "$(dirname "$WINEPREFIX")"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "run-probe: creating Wine prefix $WINEPREFIX"
    wineboot -i >"$WORK/wineboot.txt" 2>&1
    wineserver -w
fi

cd "$WORK" || die "no work folder"

# --- geometry ----------------------------------------------------------------
# Filled in by begin() from the probe's "geom" lines (screen coordinates).
CH_L=0; CH_R=0; TH_L=0; TH_T=0; TH_R=0; TH_B=0; TB_R=0; TB_B=0; Y=0

# Screen x of the thumb centre for position P; the same mapping the control
# uses to turn a pointer x into a position (channel minus half a thumb at
# each end, one pixel less, spread over the range 0..63).
px() {
    local half=$(( (TH_R - TH_L) / 2 ))
    local span=$(( CH_R - CH_L - 2 * half - 1 ))
    echo $(( CH_L + half + (2 * $1 * span + 63) / 126 ))
}

# --- one gesture per probe run ----------------------------------------------
N=0
ACTS=""
note() { ACTS="$ACTS  driver: $*"$'\n'; }

begin() {       # begin TITLE STARTPOS
    TITLE=$1; START=$2; N=$((N + 1)); LOG="g$N.log"; ACTS=""
    rm -f "$LOG" "$LOG.stop"
    wine ./trackbar_probe.exe "$LOG" "$START" >>wine-output.txt 2>&1 &
    PROBE_PID=$!
    for _ in $(seq 300); do grep -q '^ *[0-9]* ms  ready' "$LOG" 2>/dev/null && break; sleep 0.1; done
    grep -q 'ready' "$LOG" 2>/dev/null || die "probe did not start (gesture $N)"
    read -r CH_L CH_R < <(sed -n 's/.*channel_screen=\([-0-9]*\),[-0-9]*,\([-0-9]*\),.*/\1 \2/p' "$LOG")
    read -r TH_L TH_T TH_R TH_B < <(sed -n 's/.*thumb_screen=\([-0-9]*\),\([-0-9]*\),\([-0-9]*\),\([-0-9]*\).*/\1 \2 \3 \4/p' "$LOG")
    read -r TB_R TB_B < <(sed -n 's/.*trackbar_screen=[-0-9]*,[-0-9]*,\([-0-9]*\),\([-0-9]*\).*/\1 \2/p' "$LOG")
    Y=$(( (TH_T + TH_B) / 2 ))
    local win
    win=$(xdotool search --sync --name '^trackbar probe$' | tail -1)
    xdotool windowfocus --sync "$win"
    # Park the pointer on the window's client area, away from both controls.
    xdotool mousemove $((TB_R - 30)) $((TB_B + 40))
    sleep 0.3
}

finish() {
    sleep 0.7
    touch "$LOG.stop"
    wait "$PROBE_PID"
    PROBE_PID=
    {
        echo
        echo "=== $N. $TITLE (start $START)"
        printf '%s' "$ACTS"
        cat "$LOG"
    } >>"$OUT"
    echo "run-probe: $N. $TITLE -> $(sed -n 's/.*end pos=//p' "$LOG")"
}

# Gesture helpers; each writes a driver line into the section.
key() {         # key NAME: press and release
    note "key $1 (down, 0.1 s, up)"
    xdotool keydown "$1"; sleep 0.1; xdotool keyup "$1"
}
hold_key() {    # hold_key NAME SECONDS
    note "key $1 held $2 s (X auto-repeat: 660 ms delay, 25/s)"
    xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"
}
click_at() {    # click_at POS BUTTON [y]: press and release at position POS
    local x; x=$(px "$1"); local y=${3:-$Y}
    note "button $2 click at x=$x y=$y (over position $1)"
    xdotool mousemove "$x" "$y"; sleep 0.2
    xdotool mousedown "$2"; sleep 0.15; xdotool mouseup "$2"
}
hold_at() {     # hold_at POS SECONDS: left button held at position POS
    local x; x=$(px "$1")
    note "button 1 held $2 s at x=$x y=$Y (over position $1)"
    xdotool mousemove "$x" "$Y"; sleep 0.2
    xdotool mousedown 1; sleep "$2"; xdotool mouseup 1
}
wheel() {       # wheel up|down: one notch with the pointer on the channel
    local b=4; [ "$1" = down ] && b=5
    note "wheel $1 one notch (X button $b) at x=$(px 31) y=$Y"
    xdotool mousemove "$(px 31)" "$Y"; sleep 0.2
    xdotool click "$b"
}

{
    echo "Trackbar probe log, written by tools/trackbar-probe/run-probe.sh"
    echo "$(wine --version 2>/dev/null) (Wine's own comctl32), $(x86_64-w64-mingw32-gcc --version | head -1)"
    echo "Trackbar: TBS_HORZ|TBS_AUTOTICKS|TBS_BOTH|WS_TABSTOP, 300x30, range 0..63, tic every 4,"
    echo "default line and page size.  Times are ms since the probe started."
    echo "'in' lines: a message the trackbar received (before it handled it)."
    echo "HSCROLL lines: WM_HSCROLL sent to the parent (code, HIWORD(wParam), TBM_GETPOS then)."
} >"$OUT"

# --- keys -------------------------------------------------------------------
for k in Left Right Up Down Prior Next Home End; do
    begin "key $k" 10; key "$k"; finish
done
for k in Prior Next; do
    begin "key $k" 11; key "$k"; finish
done
begin "key Prior" 20; key Prior; finish
for k in Home Left Up Prior; do
    begin "key $k at the minimum" 0; key "$k"; finish
done
for k in End Right Down Next; do
    begin "key $k at the maximum" 63; key "$k"; finish
done
begin "key Right held" 10; hold_key Right 1.0; finish
begin "key Left held into the minimum" 10; hold_key Left 1.5; finish
begin "key Next held" 10; hold_key Next 1.0; finish
for k in a space Shift_L Return; do
    begin "key $k (no trackbar function)" 10; key "$k"; finish
done
begin "key Tab (moves focus to the button)" 10; key Tab; finish

# --- left button on the thumb -------------------------------------------------
begin "left click on the thumb, no movement" 10
click_at 10 1; finish

begin "left drag of the thumb from 10 to 20" 10
note "button 1 down on the thumb centre x=$(px 10) y=$Y, moved in 5 steps to x=$(px 20), released"
xdotool mousemove "$(px 10)" "$Y"; sleep 0.2; xdotool mousedown 1; sleep 0.2
for p in 12 14 16 18 20; do xdotool mousemove "$(px "$p")" "$Y"; sleep 0.15; done
sleep 0.2; xdotool mouseup 1; finish

begin "left drag of the thumb at 0 to the left, beyond the end" 0
x0=$(px 0)
note "button 1 down on the thumb centre x=$x0 y=$Y, moved to x=$((x0 - 5)), $((x0 - 20)), $((x0 - 50)) and x=5 (outside the window), released there"
xdotool mousemove "$x0" "$Y"; sleep 0.2; xdotool mousedown 1; sleep 0.2
for x in $((x0 - 5)) $((x0 - 20)) $((x0 - 50)) 5; do xdotool mousemove "$x" "$Y"; sleep 0.15; done
sleep 0.2; xdotool mouseup 1; finish

begin "left drag of the thumb at 63 to the right, beyond the end" 63
x0=$(px 63)
note "button 1 down on the thumb centre x=$x0 y=$Y, moved to x=$((x0 + 5)), $((x0 + 20)), $((x0 + 50)) and x=1000 (outside the window), released there"
xdotool mousemove "$x0" "$Y"; sleep 0.2; xdotool mousedown 1; sleep 0.2
for x in $((x0 + 5)) $((x0 + 20)) $((x0 + 50)) 1000; do xdotool mousemove "$x" "$Y"; sleep 0.15; done
sleep 0.2; xdotool mouseup 1; finish

# --- left button in the channel (page size is 12) ------------------------------
for p in 2 14 26 38 50 60; do
    begin "left click in the channel over position $p" 32; click_at "$p" 1; finish
done
begin "left click in the channel over position 55" 10; click_at 55 1; finish
begin "left click on the tick marks above the thumb's band, far from the thumb" 32
click_at 55 1 $((TH_T - 4)); finish

begin "left button held in the channel over position 55" 10; hold_at 55 2.5; finish
begin "left button held in the channel over position 40" 10; hold_at 40 2.5; finish
begin "left button held in the channel over position 8" 53; hold_at 8 2.5; finish

begin "left button held in the channel over position 55, pointer moved 1 px three times" 10
x=$(px 55)
note "button 1 down at x=$x y=$Y (over position 55), pointer moved to x=$((x + 1)), $x, $((x + 1)), released"
xdotool mousemove "$x" "$Y"; sleep 0.2; xdotool mousedown 1; sleep 0.1
for xx in $((x + 1)) "$x" $((x + 1)); do xdotool mousemove "$xx" "$Y"; sleep 0.1; done
xdotool mouseup 1; finish

# --- other buttons --------------------------------------------------------------
begin "middle click in the channel far from the thumb" 10; click_at 55 2; finish
begin "middle click on the thumb" 10; click_at 10 2; finish
begin "right click in the channel far from the thumb" 10; click_at 55 3; finish
begin "right click on the thumb" 10; click_at 10 3; finish

# --- wheel ------------------------------------------------------------------------
for s in 10 0 63; do
    begin "wheel one notch up" "$s"; wheel up; finish
    begin "wheel one notch down" "$s"; wheel down; finish
done

echo "run-probe: wrote $OUT ($N gestures)"
