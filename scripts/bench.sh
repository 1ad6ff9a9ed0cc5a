#!/usr/bin/env bash
# The benchmark: runs npzqk_bench.exe under Wine in the build's prefix, then
# times pages without zqk documents in Chromium and Firefox, with the
# extension and without.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-trees.sh
bash scripts/install-deps.sh
build_windows_trees >/dev/null
# The 32-bit files, as the release's ZIP has them, where the machine runs
# them; else the 64-bit ones.
probe_32bit
tree=build/windows
if [ "$NPZQK_RUNS_32BIT" != yes ]; then
  tree=build/windows-x64
  echo "The 64-bit plug-in and host are measured: $NPZQK_32BIT_WHY"
fi
cmake --build "$tree" --target npzqk_bench >/dev/null
source scripts/wine-session.sh "$tree"
wine "$tree/bin/npzqk_bench.exe" | tr -d '\r'

echo "== What the extension costs a page without zqk documents (timed inside the page)"
for browser in chromium firefox; do
  /usr/bin/python3 tests/bench/page_cost.py "$browser" build/windows/extension 15
done
