#!/usr/bin/env bash
# Every test: the native unit tests under the sanitizers, then the real DLL
# and installer under Wine. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

echo "== native unit tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
(cd build/host && ctest --output-on-failure)

echo "== Windows tests under Wine"
WINE_BUILD_DIR=$(pwd)/build
source scripts/wine-env.sh
wine_env_start
(cd build/windows && ctest --output-on-failure)
