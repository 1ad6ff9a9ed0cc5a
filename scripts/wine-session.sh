# Sourced by the scripts that run Windows programs outside CTest: the Wine
# environment of the build tree given as $1 (the tests' own, from
# wine/environment.sh), its display and prefix started by the tests' fixture
# steps and ended when the script exits. Defines wine() for its loader.
source "$1/wine/environment.sh"
bash cmake/wine-fixture.sh start-display >/dev/null
trap 'bash cmake/wine-fixture.sh stop' EXIT
bash cmake/wine-fixture.sh start-prefix >/dev/null
DISPLAY=$(cat "$NPZQK_WINE_STATE/display")
export DISPLAY
wine() { "$NPZQK_WINE" "$@"; }
