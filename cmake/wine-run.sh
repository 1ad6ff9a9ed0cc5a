#!/bin/sh
# CTest's emulator for the Windows programs: runs "$@" (the Wine loader, the
# program, its arguments) on the private X display that the Wine tests'
# fixture started and named in $NPZQK_WINE_STATE/display.
if [ -z "${NPZQK_WINE_STATE:-}" ] || [ ! -s "$NPZQK_WINE_STATE/display" ]; then
  echo "wine-run.sh: no X display: run the Windows tests with ctest, whose wine fixtures start one" >&2
  exit 2
fi
DISPLAY=$(cat "$NPZQK_WINE_STATE/display")
export DISPLAY
exec "$@"
