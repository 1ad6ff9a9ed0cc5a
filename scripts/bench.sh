#!/usr/bin/env bash
# The benchmark: runs npzqk_bench.exe under Wine in the build's prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
source scripts/wine-session.sh build/windows
wine build/windows/bin/npzqk_bench.exe | tr -d '\r'
