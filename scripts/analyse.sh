#!/usr/bin/env bash
# Static analysis: clang-tidy with the checked-in .clang-tidy over the product
# code in plugin/, installer/ and host/ (the portable files as the native build
# compiles them, the Windows files as the mingw build does); cppcheck over
# the product code and the GoogleTest suites; then clang-format, which must
# leave every C++ file of the tree unchanged. Expects the host and windows
# presets to have been configured.
set -euo pipefail
cd "$(dirname "$0")/.."

portable=$(ls plugin/*.cpp installer/*.cpp host/*.cpp | grep -v -E '_win32\.cpp$|/main\.cpp$')
windows=$(ls plugin/*_win32.cpp installer/*_win32.cpp host/*_win32.cpp runtime/*_win32.cpp installer/main.cpp host/main.cpp)
status=0
for database in build/host/compile_commands.json build/windows/compile_commands.json; do
  [ -f "$database" ] || { echo "missing $database: configure the host and windows presets first" >&2; exit 1; }
done

# The cross compiler's own C++ headers, which clang does not find for the mingw target.
mingw_headers=$(echo | i686-w64-mingw32-g++ -E -x c++ - -v 2>&1 |
                sed -n '/^#include <...> search starts here:/,/^End of search list/p' | grep '^ ' |
                sed 's/^ */--extra-arg=-isystem/')

echo "== clang-tidy"
# The portable files and the Windows files side by side, each run's output kept apart.
mkdir -p build/analysis
clang-tidy -p build/host --quiet $portable >build/analysis/portable.log 2>&1 &
portable_run=$!
clang-tidy -p build/windows --quiet --extra-arg=--target=i686-w64-mingw32 $mingw_headers $windows \
  >build/analysis/windows.log 2>&1 &
wait $portable_run $! || true  # its findings, not its status, are the report
report=$(grep -h -E ': (warning|error):' build/analysis/portable.log build/analysis/windows.log || true)
if [ -n "$report" ]; then echo "$report"; status=1; else echo "  no findings"; fi

echo "== cppcheck"
report=$(cppcheck --enable=warning,style,performance,portability --std=c++17 --quiet --inline-suppr \
           --error-exitcode=0 -I plugin -I plugin/resources -I installer -I host plugin installer host runtime 2>&1 || true
         cppcheck --enable=warning,style,performance,portability --std=c++17 --quiet --inline-suppr \
           --library=googletest --error-exitcode=0 -I plugin -I installer -I tests/unit tests/unit 2>&1 || true)
if [ -n "$report" ]; then echo "$report"; status=1; else echo "  no findings"; fi

echo "== clang-format"
report=$(git ls-files -co --exclude-standard '*.cpp' '*.h' | xargs clang-format --dry-run --Werror 2>&1 || true)
if [ -n "$report" ]; then echo "$report" | head -40; status=1; else echo "  tree unchanged"; fi
exit $status
