#!/usr/bin/env bash
# Every test: static analysis, the native unit tests under the sanitizers, a
# short bounded fuzzing run, then the real DLL and installer under Wine.
# Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

echo "== static analysis"
bash scripts/analyse.sh

echo "== native unit tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
(cd build/host && ctest --output-on-failure)

echo "== fuzzing (clang, libFuzzer, 15 seconds a target)"
bash scripts/fuzz.sh 15

echo "== Windows tests under Wine"
WINE_BUILD_DIR=$(pwd)/build
source scripts/wine-env.sh
wine_env_start
(cd build/windows && ctest --output-on-failure)
