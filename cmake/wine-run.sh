#!/bin/sh
# CTest's emulator for the Windows programs: runs "$@" (the Wine loader, the
# program, its arguments) on the private X display that the Wine tests'
# fixture started and named in $NPZQK_WINE_STATE/display. What needs 32-bit
# programs (NPZQK_NEEDS_32BIT=1) is skipped, with the fixture's reason, on a
# machine that runs none; what stands in for the 32-bit run there
# (NPZQK_STANDS_IN_FOR_32BIT=1) is skipped where the 32-bit run takes place.
# The program learns the answer from NPZQK_RUNS_32BIT (yes or no).
if [ -z "${NPZQK_WINE_STATE:-}" ] || [ ! -s "$NPZQK_WINE_STATE/display" ]; then
  echo "wine-run.sh: no X display: run the Windows tests with ctest, whose wine fixtures start one" >&2
  exit 2
fi
NPZQK_RUNS_32BIT=$(sed -n 1p "$NPZQK_WINE_STATE/32bit" 2>/dev/null)
why=$(sed -n 2p "$NPZQK_WINE_STATE/32bit" 2>/dev/null)
case "$NPZQK_RUNS_32BIT" in
  yes | no) ;;
  *) echo "wine-run.sh: the fixture has not found out whether 32-bit programs run" >&2; exit 2 ;;
esac
if [ "${NPZQK_NEEDS_32BIT:-}" = 1 ] && [ "$NPZQK_RUNS_32BIT" = no ]; then
  echo "skipped, it needs 32-bit programs: $why"
  exit 77
fi
if [ "${NPZQK_STANDS_IN_FOR_32BIT:-}" = 1 ] && [ "$NPZQK_RUNS_32BIT" = yes ]; then
  echo "skipped: the 32-bit tests run it, with the 32-bit host ($why)"
  exit 77
fi
DISPLAY=$(cat "$NPZQK_WINE_STATE/display")
export DISPLAY NPZQK_RUNS_32BIT
exec "$@"
