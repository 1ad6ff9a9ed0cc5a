#!/usr/bin/env bash
# Runs one Windows program under Wine with the environment that
# scripts/wine-env.sh set up; the program's exit status is this script's.
set -u
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "wine-run.sh: run the Wine tests through scripts/test.sh" >&2
  exit 2
fi
exec wine "$@"
