# Sourced by the scripts that run Windows programs: one throwaway 32-bit Wine
# prefix inside the build tree and one private X display for every Wine
# process of the run. wine_env_stop ends both.

WINE_BUILD_DIR=${WINE_BUILD_DIR:-$(pwd)/build}
export WINEPREFIX="$WINE_BUILD_DIR/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

wine_env_start() {
  local display
  for display in $(seq 90 140); do
    [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ] || break
  done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$WINE_BUILD_DIR/xvfb.log" 2>&1 &
  WINE_XVFB_PID=$!
  export DISPLAY=":$display"
  local waited=0
  until [ -e "/tmp/.X11-unix/X${display}" ]; do
    sleep 0.1
    waited=$((waited + 1))
    if [ $waited -gt 100 ]; then echo "Xvfb did not start" >&2; return 1; fi
  done
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    # Xvfb runs no window manager: unmanaged windows spare Wine waiting for one
    # each time a window is shown or hidden.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
  fi
  trap wine_env_stop EXIT
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${WINE_XVFB_PID:-}" ]; then
    kill "$WINE_XVFB_PID" >/dev/null 2>&1 || true
    wait "$WINE_XVFB_PID" 2>/dev/null || true
    WINE_XVFB_PID=
  fi
}
