#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12, as root.
# Safe to run again: it only installs what is missing.
#
# The package archive can fail part-way (an index in the middle of a mirror
# sync, a third-party source that is down or whose key has expired): a failed
# update is tried again, then the indexes the machine has serve. 32-bit Wine
# is the one package the commands can do without: where apt cannot install
# it, apt's reason is recorded in $NPZQK_WINE32_RECORD (build/wine32-missing)
# and the commands run in the 64-bit-only mode, reporting it. Any other
# package that cannot be installed is an error. Nothing the machine has is
# removed or downgraded to make room (apt-get --no-remove; apt never
# downgrades unasked).
set -uo pipefail
cd "$(dirname "$0")/.."
record=${NPZQK_WINE32_RECORD:-$PWD/build/wine32-missing}
pause=${NPZQK_APT_PAUSE:-15}  # seconds between tries of a failed update

packages=(cmake ninja-build g++ libgtest-dev file
          g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
          wine wine64 xvfb xauth
          clang clang-tidy clang-format cppcheck libclang-rt-14-dev
          python3-pefile rapidjson-dev librsvg2-bin icoutils strip-nondeterminism osslsigncode openssl wixl msitools python3-olefile
          chromium chromium-driver firefox-esr firefox-esr-l10n-de python3-selenium python3-websockets nodejs)
optional=wine32

say() { echo "install-deps: $*" >&2; }

# apt's own words for why it failed, on one line: the unmet dependencies it
# names, then its errors.
apt_reason() {
  grep -E '^ .*(Depends|PreDepends|Conflicts|Breaks): |^E: ' | sed -E 's/^E: //; s/^ +//; s/ +/ /g' |
    head -3 | joined
}

# Lines joined with "; ", on one line.
joined() { awk 'NR > 1 { printf "; " } { printf "%s", $0 } END { print "" }'; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Mozilla's addons-linter, from the npm registry, with the machine's npm
# (Debian's when the machine has none).
linter() {
  command -v addons-linter >/dev/null && return
  command -v npm >/dev/null || install_packages npm || { say "could not install npm ($APT_REASON)"; return 1; }
  npm install --global --no-audit --no-fund --loglevel=error addons-linter >/dev/null ||
    { say "could not install addons-linter from the npm registry"; return 1; }
}

# A failed update leaves the indexes that did come, and the old ones of the
# rest: tried three times, then what there is serves.
update_indexes() {
  local try output
  for try in 1 2 3; do
    output=$(apt-get update -qq 2>&1) && return 0
    [ "$try" -lt 3 ] && sleep "$pause"
  done
  say "apt-get update failed 3 times ($(apt_reason <<<"$output")); going on with the package indexes this machine has"
}

# install_packages PACKAGE...: all of them or none, never removing one.
# On failure APT_REASON holds apt's reason.
install_packages() {
  local output
  output=$(apt-get install -y -qq --no-install-recommends --no-remove "$@" 2>&1) && return 0
  APT_REASON=$(apt_reason <<<"$output")
  [ -n "$APT_REASON" ] || APT_REASON=$(tail -1 <<<"$output")
  return 1
}

# Which of the packages apt refuses on its own, each with apt's reason.
name_refused() {
  local p output refused=()
  for p in "$@"; do
    output=$(apt-get install -s -qq --no-install-recommends --no-remove "$p" 2>&1) ||
      refused+=("$p ($(apt_reason <<<"$output"))")
  done
  [ ${#refused[@]} -gt 0 ] && printf '%s\n' "${refused[@]}" | joined
}

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
wine32_missing=0
installed "$optional" || wine32_missing=1
if [ ${#missing[@]} -eq 0 ] && [ $wine32_missing -eq 0 ]; then
  rm -f "$record"
  [ "$(id -u)" -eq 0 ] && { linter || exit 1; }
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  say "missing packages: ${missing[*]} $([ $wine32_missing -eq 1 ] && echo "$optional"); run this script as root"
  exit 1
fi

dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
update_indexes

if [ ${#missing[@]} -gt 0 ] && ! install_packages "${missing[@]}"; then
  refused=$(name_refused "${missing[@]}")
  say "could not install ${refused:-${missing[*]} ($APT_REASON)}"
  exit 1
fi
if [ $wine32_missing -eq 0 ] || install_packages "$optional"; then
  rm -f "$record"
else
  mkdir -p "$(dirname "$record")"
  echo "$APT_REASON" >"$record"
  say "could not install $optional ($APT_REASON); the tests and the demonstration run in the 64-bit-only mode"
fi
linter || exit 1
