#!/usr/bin/env bash
# Every test: static analysis, the native unit tests under the sanitizers, a
# short bounded fuzzing run, the real DLLs (32-bit and 64-bit), the installer
# and the native messaging host under Wine, the browser extension in Chromium
# and Firefox (with the 32-bit Wine tests), then the release: built twice,
# hardened, signed.
# Installs what it needs first; the rest is the project's CMake presets.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# The extension packed for Chrome and Edge, as an organisation packs it: a
# throwaway key made here, and an address the browser test stands in for.
mkdir -p build/keys
[ -s build/keys/extension.pem ] || openssl genrsa -out build/keys/extension.pem 2048 2>/dev/null
export NPZQK_EXTENSION_KEY="$PWD/build/keys/extension.pem" NPZQK_EXTENSION_URL="https://extensions.example/npzqk/"
for preset in host windows windows-x64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

echo "== static analysis"
bash scripts/analyse.sh

echo "== native unit tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
ctest --preset host

echo "== fuzzing (clang, libFuzzer, 10 seconds a target)"
bash scripts/fuzz.sh 10

echo "== Windows tests under Wine: 32-bit"
ctest --preset windows

echo "== Windows tests under Wine: 64-bit"
ctest --preset windows-x64

echo "== The release: reproducible, hardened, signed"
bash scripts/release-check.sh
