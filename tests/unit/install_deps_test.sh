#!/usr/bin/env bash
# The install step against a package archive that fails part-way, with
# stand-ins first on PATH: every update fails, apt refuses wine32 (then, in
# the second run, wixl). Then the Wine fixture's probe reads the record.
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && mkdir "$work/bin" && cd "$work" || exit 1
cat >bin/apt-get <<'EOF'
#!/bin/sh
echo "$*" >>"$WORK/apt-calls"
case "$*" in
  update*) echo "E: Failed to fetch http://deb.example/Packages.xz  Mirror sync in progress?" >&2; exit 100 ;;
  *" $REFUSED"*) echo " $REFUSED:i386 : Depends: liblzma5:i386 (>= 5.4.1-1) but it is not going to be installed"
                 echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;;
esac
EOF
printf '#!/bin/sh\nexit 1\n' >bin/dpkg-query && printf '#!/bin/sh\necho i386\n' >bin/dpkg
printf '#!/bin/sh\necho 0\n' >bin/id && printf '#!/bin/sh\n' >bin/addons-linter && chmod +x bin/*
failures=0
check() { eval "$2" && echo "ok: $1" || { echo "FAILED: $1"; sed 's/^/  | /' out; failures=$((failures + 1)); }; }
install() {
  rm -f apt-calls; PATH="$work/bin:$PATH" WORK=$work REFUSED=$1 NPZQK_APT_PAUSE=0 NPZQK_WINE32_RECORD="$work/record" \
    bash "$top/scripts/install-deps.sh" >out 2>&1
}
probe() { NPZQK_NO_32BIT= NPZQK_WINE_STATE=state NPZQK_WINE32=/nonexistent NPZQK_WINE32_RECORD=$1 bash "$top/cmake/wine-fixture.sh" probe; }
reason="wine32:i386 : Depends: liblzma5:i386 (>= 5.4.1-1) but it is not going to be installed; Unable to correct problems, you have held broken packages."

install wine32
check "wine32 refused: status 0" "[ $? -eq 0 ]"
check "the update tried 3 times, then one line" "[ \$(grep -c ^update apt-calls) -eq 3 ] && grep -qx 'install-deps: apt-get update failed 3 times (Failed to fetch .* Mirror sync in progress?); going on with the package indexes this machine has' out"
check "the rest installed in one call, removing nothing" "grep '^install .*--no-remove .*wixl' apt-calls | grep -qv wine32"
check "one line names wine32 and apt's reason" "grep -qxF 'install-deps: could not install wine32 ($reason); the tests and the demonstration run in the 64-bit-only mode' out"
check "the probe gives the recorded reason" "probe record | grep -qxF '32-bit Wine could not be installed: $reason'"
check "without a record a missing loader stays a fault" "! probe none >/dev/null 2>&1"
install wixl
check "wixl refused: status 1, named with apt's reason" "[ $? -eq 1 ] && grep -qxF 'install-deps: could not install wixl (${reason//wine32/wixl})' out"
exit $((failures > 0))
