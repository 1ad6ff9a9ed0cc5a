#!/usr/bin/env bash
# The install step against a package archive that fails part-way, with
# stand-ins for apt-get, dpkg and dpkg-query first on PATH: the update fails
# every time, apt refuses wine32 (or, in the second run, another package).
# Then the Wine fixture's probe reads what the install step recorded.
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/sh
echo "$*" >>"$WORK/apt-calls"
case "$*" in
  update*) echo "E: Failed to fetch http://deb.example/Packages.xz  File has unexpected size (375 != 376). Mirror sync in progress?" >&2
           exit 100 ;;
  *" $REFUSED"*) echo " $REFUSED:i386 : Depends: liblzma5:i386 (>= 5.4.1-1) but it is not going to be installed"
                 echo "E: Unable to correct problems, you have held broken packages." >&2
                 exit 100 ;;
esac
EOF
printf '#!/bin/sh\nexit 1\n' >"$work/bin/dpkg-query"  # nothing is installed yet
printf '#!/bin/sh\necho i386\n' >"$work/bin/dpkg"
printf '#!/bin/sh\necho 0\n' >"$work/bin/id"
printf '#!/bin/sh\n' >"$work/bin/addons-linter"
chmod +x "$work/bin"/*
failures=0
check() {
  if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

run() {
  rm -f "$work/apt-calls"
  PATH="$work/bin:$PATH" WORK=$work REFUSED=$1 NPZQK_APT_PAUSE=0 NPZQK_WINE32_RECORD="$work/wine32-missing" \
    bash "$top/scripts/install-deps.sh" >"$work/out" 2>&1
}

run wine32
check "wine32 refused: the rest is installed, status 0" "[ $? -eq 0 ]"
check "the update is tried 3 times" "[ \$(grep -c ^update '$work/apt-calls') -eq 3 ]"
check "one line says the indexes the machine has serve" \
  "grep -qx 'install-deps: apt-get update failed 3 times (Failed to fetch .* Mirror sync in progress?); going on with the package indexes this machine has' '$work/out'"
check "the rest in one install, never removing a package, without wine32" \
  "grep -q '^install .*--no-remove .*wixl' '$work/apt-calls' && ! grep '^install .*wixl' '$work/apt-calls' | grep -q wine32"
check "one line names wine32 and apt's reason" \
  "grep -qx 'install-deps: could not install wine32 (wine32:i386 : Depends: liblzma5:i386 (>= 5.4.1-1) but it is not going to be installed; Unable to correct problems, you have held broken packages.); .*64-bit-only mode' '$work/out'"
check "the fixture's probe gives the recorded reason for the 64-bit-only mode" \
  "NPZQK_WINE_STATE='$work/state' NPZQK_WINE32=/nonexistent/wine NPZQK_WINE32_RECORD='$work/wine32-missing' \
     bash '$top/cmake/wine-fixture.sh' probe | grep -qx '32-bit Wine could not be installed: wine32:i386 : Depends: .*held broken packages.'"
check "without a record a missing loader stays a fault" \
  "! NPZQK_WINE_STATE='$work/state' NPZQK_WINE32=/nonexistent/wine NPZQK_WINE32_RECORD='$work/none' \
     bash '$top/cmake/wine-fixture.sh' probe >/dev/null 2>&1"

run wixl
check "any other package refused: status 1" "[ $? -eq 1 ]"
check "it is named, with apt's reason" \
  "grep -qx 'install-deps: could not install wixl (wixl:i386 : Depends: liblzma5:i386 .*held broken packages.)' '$work/out'"

[ $failures -eq 0 ] || { sed 's/^/  | /' "$work/out"; exit 1; }
