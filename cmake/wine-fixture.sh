#!/usr/bin/env bash
# The Wine environment of one test run, in three steps that CTest runs as
# fixtures, and that the scripts run around the demonstration:
#   start-display  whether this machine runs 32-bit programs (probe, below),
#                  then a private Xvfb display, whose number Xvfb itself picks
#                  (-displayfd), so that runs side by side never race for one;
#   start-prefix   the throwaway prefix, made when missing (a copy of the
#                  tree's template prefix, NPZQK_WINE_TEMPLATE, which the
#                  first fixture to need it makes), and a wineserver that
#                  stays up for the whole run;
#   stop           ends the wineserver, every Wine process and the display.
#   probe          only whether this machine runs 32-bit programs: "yes" or
#                  "no" on the first line, why on the second.
# The environment names the prefix and Wine (WINEPREFIX, WINEARCH,
# NPZQK_WINE, NPZQK_WINESERVER, the 32-bit loader NPZQK_WINE32) and the
# state folder (NPZQK_WINE_STATE), where the probe's answer, the display's
# name, Xvfb's pid and the logs are kept.
set -u
state=${NPZQK_WINE_STATE:?NPZQK_WINE_STATE is not set}

fail() {
  echo "wine fixture: $1" >&2
  [ -f "$2" ] && sed 's/^/  | /' "$2" | tail -20 >&2
  stop
  exit 1
}

stop() {
  # -k only asks the server to end; the next run's server starts once it has.
  if [ -d "${WINEPREFIX:-/nonexistent}" ]; then
    "$NPZQK_WINESERVER" -k >/dev/null 2>&1
    timeout 20 "$NPZQK_WINESERVER" -w >/dev/null 2>&1
  fi
  if [ -s "$state/xvfb.pid" ]; then
    # Xvfb leads a process group of its own (setsid): end the whole group.
    kill -- "-$(cat "$state/xvfb.pid")" >/dev/null 2>&1
    for _ in $(seq 50); do kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$state/xvfb.pid" "$state/display"
}

# Some kernels run no 32-bit programs at all: starting Wine's 32-bit loader
# then fails with "Exec format error". Where apt could not install 32-bit
# Wine, the install step recorded why (NPZQK_WINE32_RECORD), and the loader
# is missing. Any other failure of the loader is a fault, never a reason to
# skip. NPZQK_NO_32BIT=1 asks for the same mode on a machine that could run both.
probe() {
  mkdir -p "$state"
  local output status=0
  if [ "${NPZQK_NO_32BIT:-}" = 1 ]; then
    printf 'no\nNPZQK_NO_32BIT=1 asks for the 64-bit-only mode\n' >"$state/32bit"
    return 0
  fi
  if [ ! -x "${NPZQK_WINE32:-}" ] && [ -s "${NPZQK_WINE32_RECORD:-}" ]; then
    printf 'no\n32-bit Wine could not be installed: %s\n' "$(head -1 "$NPZQK_WINE32_RECORD")" >"$state/32bit"
    return 0
  fi
  output=$("${NPZQK_WINE32:?NPZQK_WINE32 is not set}" --version 2>&1) || status=$?
  if [ "$status" -eq 0 ]; then
    printf 'yes\n%s starts (%s)\n' "$NPZQK_WINE32" "$output" >"$state/32bit"
  elif [ "$status" -eq 126 ] && grep -q 'Exec format error' <<<"$output"; then
    # In words; the loader's own ("cannot execute binary file: Exec format error") is kept beside it.
    printf 'no\nthis machine runs no 32-bit programs (the kernel refuses them)\n' >"$state/32bit"
    echo "$output" >"$state/32bit-loader.log"
  else
    rm -f "$state/32bit"
    echo "wine fixture: Wine's 32-bit loader failed (status $status): $output" >&2
    return 1
  fi
}

start_display() {
  stop  # whatever an interrupted run left behind
  probe || exit 1
  echo "wine fixture: 32-bit programs: $(tr '\n' ' ' <"$state/32bit")"
  : >"$state/display-number"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$state/display-number" </dev/null >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  for _ in $(seq 100); do
    if grep -q '^[0-9]\+$' "$state/display-number"; then
      echo ":$(cat "$state/display-number")" >"$state/display"
      echo "wine fixture: X display $(cat "$state/display") (Xvfb pid $(cat "$state/xvfb.pid"))"
      return 0
    fi
    kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null || fail "Xvfb ended without starting a display" "$state/xvfb.log"
    sleep 0.1
  done
  fail "Xvfb did not start a display within 10 s" "$state/xvfb.log"
}

# A new prefix, as wineboot makes it, at $1; its server ended, its files whole.
make_prefix() {
  local log=$2
  WINEPREFIX=$1 "$NPZQK_WINE" wineboot.exe -i >"$log" 2>&1 || fail "wineboot could not make the prefix $1" "$log"
  # Xvfb runs no window manager: unmanaged windows spare Wine waiting for one
  # each time a window is shown or hidden.
  WINEPREFIX=$1 "$NPZQK_WINE" reg.exe add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$log" 2>&1 ||
    fail "the prefix $1 does not take registry values" "$log"
  WINEPREFIX=$1 "$NPZQK_WINESERVER" -w
}

# The prefixes of one tree start alike: the template is made once, by the
# first fixture that needs it (the others wait for it), and never run in
# after; each prefix is a copy of it, which Wine takes wherever it lies.
copy_template() {
  local template=${NPZQK_WINE_TEMPLATE:?NPZQK_WINE_TEMPLATE is not set}
  (
    flock 9
    if [ ! -f "$template/.made" ]; then
      rm -rf "$template"
      make_prefix "$template" "$1"
      touch "$template/.made"
    fi
  ) 9>"$template.lock" || exit 1
  cp -a "$template" "$WINEPREFIX" || fail "the template $template could not be copied to $WINEPREFIX" /dev/null
  rm -f "$WINEPREFIX/.made"
}

start_prefix() {
  [ -s "$state/display" ] || fail "no X display: the display fixture did not run" /dev/null
  export DISPLAY
  DISPLAY=$(cat "$state/display")
  local log="$state/prefix.log"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    rm -rf "$WINEPREFIX"
    copy_template "$log"
  fi
  # One server for the whole run, and the prefix's own background processes
  # started here: they live as long as the server, and had a test started
  # them, they would hold its output open and keep CTest waiting.
  setsid "$NPZQK_WINESERVER" -p </dev/null >>"$log" 2>&1 || fail "wineserver did not start" "$log"
  "$NPZQK_WINE" reg.exe query 'HKCU\Software\Wine\X11 Driver' /v Managed </dev/null >>"$log" 2>&1 ||
    fail "the prefix $WINEPREFIX does not answer" "$log"
  echo "wine fixture: prefix $WINEPREFIX ($WINEARCH)"
}

case "${1:-}" in
  start-display) start_display ;;
  start-prefix) start_prefix ;;
  stop) stop ;;
  probe) probe && cat "$state/32bit" ;;
  *) echo "usage: wine-fixture.sh start-display|start-prefix|stop|probe" >&2; exit 2 ;;
esac
