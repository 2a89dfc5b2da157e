# shellcheck shell=bash
# Sourced, not run: an X server of its own and a Wine prefix for running Windows programs
# here. The caller sets its EXIT trap to call wine_session_stop.
#
#   wine_session_start PREFIX   starts Xvfb on a free display (DISPLAY) and makes PREFIX
#                               the Wine prefix (WINEPREFIX), setting it up when new
#   wine_session_stop           ends every program of the prefix, then the X server

wine_session_xvfb_pid=""

wine_session_start() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all                      # Wine's own chatter drowns the programs' output
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no offer to install Mono or Gecko
  unset WINEARCH

  local display_file
  display_file="$(mktemp)"
  # -displayfd picks a free display, so parallel sessions on one machine do not collide.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  wine_session_xvfb_pid=$!
  local waited=0
  until [ -s "$display_file" ]; do
    if ! kill -0 "$wine_session_xvfb_pid" 2>/dev/null || [ "$waited" -ge 100 ]; then
      echo "Xvfb did not start" >&2
      rm -f "$display_file"
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  DISPLAY=":$(head -n1 "$display_file")"
  export DISPLAY
  rm -f "$display_file"

  # A server of this prefix left from elsewhere (another mount namespace, say) goes first.
  wineserver -k 2>/dev/null || true
  if [ ! -f "$WINEPREFIX/.ldx-ready" ]; then
    echo "Setting up the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    # With no window manager on the X server, Wine waits two seconds for one at every
    # hide of a window it leaves to a window manager; a prefix whose windows Wine manages
    # itself hides at once (a panel test hides a window in every test function).
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.ldx-ready"
  fi
  # One Wine server for the whole session, with the prefix's services started here, away
  # from any caller's output pipe (a service that inherits a pipe holds it open for
  # good); started anew for each program, they cost seconds every time.
  # Its output goes nowhere: at its end it dumps every object it still holds.
  wineserver -p >/dev/null 2>&1
  wine wineboot </dev/null >/dev/null 2>&1
}

wine_session_stop() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
  fi
  if [ -n "$wine_session_xvfb_pid" ]; then
    kill "$wine_session_xvfb_pid" 2>/dev/null || true
    wait "$wine_session_xvfb_pid" 2>/dev/null || true
    wine_session_xvfb_pid=""
  fi
}
