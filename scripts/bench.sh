#!/usr/bin/env bash
# The benchmark: runs npzqk_bench.exe under Wine in the build's prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh >/dev/null
WINE_BUILD_DIR=$(pwd)/build
source scripts/wine-env.sh
wine_env_start
wine build/windows/bin/npzqk_bench.exe | tr -d '\r'
