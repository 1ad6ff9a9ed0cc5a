#!/usr/bin/env bash
# The benchmark: runs npzqk_bench.exe under Wine in the build's prefix, then
# times pages without zqk documents in Chromium and Firefox, with the
# extension and without.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
source scripts/wine-session.sh build/windows
wine build/windows/bin/npzqk_bench.exe | tr -d '\r'

echo "== What the extension costs a page without zqk documents (timed inside the page)"
for browser in chromium firefox; do
  /usr/bin/python3 tests/bench/page_cost.py "$browser" build/windows/extension 15
done
