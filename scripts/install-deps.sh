#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12, as root.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev
          g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
          wine wine32 wine64 xvfb xauth
          clang clang-tidy clang-format cppcheck libclang-rt-14-dev
          python3-pefile rapidjson-dev librsvg2-bin icoutils strip-nondeterminism osslsigncode openssl wixl msitools python3-olefile
          chromium chromium-driver firefox-esr firefox-esr-l10n-de python3-selenium python3-websockets nodejs)

# Mozilla's addons-linter, from the npm registry, with the machine's npm
# (Debian's when the machine has none).
linter() {
  command -v addons-linter >/dev/null && return
  command -v npm >/dev/null || apt-get install -y -qq --no-install-recommends npm >/dev/null
  npm install --global --no-audit --no-fund --loglevel=error addons-linter >/dev/null
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  [ "$(id -u)" -eq 0 ] && linter
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]}; run this script as root" >&2
  exit 1
fi

dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
linter
