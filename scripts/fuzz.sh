#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer), replays their saved corpora, then fuzzes each
# for the given number of seconds (default 15), two at a time; a second
# argument names a JUnit report for the replays. Inputs that fail are left in
# build/fuzz/findings/; each belongs in tests/fuzz/corpus/<target>/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
ctest --preset fuzz ${2:+--output-junit "$2"}
mkdir -p build/fuzz/findings

fuzz() {  # fuzz TARGET: that target fuzzed for the time given, its output in build/fuzz/TARGET.log
  local work="build/fuzz/corpus/$1"
  mkdir -p "$work"
  "build/fuzz/tests/fuzz/$1" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="build/fuzz/findings/$1-" \
    "$work" "tests/fuzz/corpus/$1" >"build/fuzz/$1.log" 2>&1
}

# Two targets at a time, one a core; each reported in turn, and a failing
# one's partner waited for before the run ends.
failed=0
targets=(fuzz_page_attributes fuzz_open_command fuzz_viewer_arguments fuzz_installer fuzz_host_request)
for ((first = 0; first < ${#targets[@]}; first += 2)); do
  pair=("${targets[@]:first:2}")
  runs=()
  for target in "${pair[@]}"; do
    fuzz "$target" &
    runs+=($!)
  done
  for i in "${!pair[@]}"; do
    target=${pair[i]}
    echo "== $target: fuzzing for ${seconds}s"
    if ! wait "${runs[i]}"; then
      tail -30 "build/fuzz/$target.log"
      echo "$target found a failing input: see build/fuzz/findings/"
      failed=1
      continue
    fi
    grep -E '^stat::number_of_executed_units|^Done' "build/fuzz/$target.log" | tail -1
  done
  [ "$failed" = 0 ] || exit 1
done
