#!/usr/bin/env bash
# Every test: static analysis, the native unit tests under the sanitizers, a
# short bounded fuzzing run, the real DLLs (32-bit and 64-bit), the installer
# and the native messaging host (32-bit and 64-bit) under Wine, the browser
# extension in Chromium and Firefox, and the release: built twice, hardened,
# signed. The Windows tests, which mostly wait on Wine and the browsers, run
# while the rest does: the 32-bit and 64-bit groups side by side, each in
# its own prefix and display, and each browser in a prefix and display of
# its own beside them. Where the machine runs no 32-bit programs (or
# NPZQK_NO_32BIT=1 asks for that mode), CTest reports what needs them as
# skipped, and the browser tests run in the 64-bit group, with the 64-bit
# host. The last lines say what was skipped, and why.
# Installs what it needs first; the rest is the project's CMake presets.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-trees.sh
bash scripts/install-deps.sh
# The extension packed for Chrome and Edge, as an organisation packs it: a
# throwaway key made here, and an address the browser test stands in for.
mkdir -p build/keys build/reports
[ -s build/keys/extension.pem ] || openssl genrsa -out build/keys/extension.pem 2048 2>/dev/null
export NPZQK_EXTENSION_KEY="$PWD/build/keys/extension.pem" NPZQK_EXTENSION_URL="https://extensions.example/npzqk/"
# And two IDs standing for those the Chrome and Edge stores give.
export NPZQK_STORE_EXTENSION_IDS="abcdefghijklmnopabcdefghijklmnop ponmlkjihgfedcbaponmlkjihgfedcba"
cmake --preset host >/dev/null
configure_windows_trees
# The Wine prefixes need nothing built, and take a while to make: they are
# made while the builds run (each group's prefix fixtures, by themselves),
# and the tests find them ready.
for group in "${windows_trees[@]}"; do
  ctest --preset "$group" -R '\.prefix\.start$' >"build/reports/$group-prefixes.log" 2>&1 &
done
compile_windows_trees
wait  # for the prefixes; a prefix that could not be made fails its tests below

# The Windows tests, in the background: their output follows the rest's.
group_runs=()
for group in "${windows_trees[@]}"; do
  ctest --preset "$group" --test-output-size-passed 262144 --output-junit "$PWD/build/reports/$group.xml" \
    >"build/reports/$group.log" 2>&1 &
  group_runs+=($!)
done

# The last of the Windows tests ends the run, and they mostly wait on the
# browsers and Wine: the work beside them yields the processor to them
# (nice), all but the fuzzing, whose amount is what it gets in its time.
status=0
{
  echo "== static analysis"
  nice -n 10 bash scripts/analyse.sh &&
  echo "== native unit tests (AddressSanitizer, UndefinedBehaviorSanitizer)" &&
  nice -n 10 cmake --build --preset host &&
  ctest --preset host --output-junit "$PWD/build/reports/host.xml" &&
  echo "== fuzzing (clang, libFuzzer, 10 seconds a target)" &&
  bash scripts/fuzz.sh 10 "$PWD/build/reports/fuzz.xml" &&
  echo "== The release: reproducible, hardened, signed" &&
  nice -n 10 bash scripts/release-check.sh
} || status=1

echo "== Windows tests under Wine: 32-bit and 64-bit side by side, each browser beside them"
for run in "${group_runs[@]}"; do
  wait "$run" || status=1
done
for group in "${windows_trees[@]}"; do
  echo "-- $group"
  cat "build/reports/$group.log"
done

echo "== What ran"
/usr/bin/python3 scripts/test_summary.py host=build/reports/host.xml fuzz=build/reports/fuzz.xml \
  windows=build/reports/windows.xml windows-x64=build/reports/windows-x64.xml || status=1
exit $status
