#!/usr/bin/env bash
# Builds the native unit tests (build/host) and the Windows deliverables and
# their Wine test programs (build/windows).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build build/host -j"$(nproc)"
cmake -S . -B build/windows --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build build/windows -j"$(nproc)"
