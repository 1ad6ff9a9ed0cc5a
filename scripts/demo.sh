#!/usr/bin/env bash
# The main job: builds NPZqk.dll and plugin-installer.exe, leaves the release
# files in build/release, and demonstrates both in a throwaway Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh >/dev/null

release=build/release
rm -rf "$release" && mkdir -p "$release"
cp build/windows/bin/NPZqk.dll build/windows/bin/plugin-installer.exe "$release/"
(cd "$release" && sha256sum NPZqk.dll plugin-installer.exe > SHA256SUMS)
echo "== Release files in $release"
for file in NPZqk.dll plugin-installer.exe; do
  imports=$(i686-w64-mingw32-objdump -p "$release/$file" | awk '/DLL Name:/ {print $3}' | paste -sd' ')
  printf '  %-22s %6d bytes  imports: %s\n' "$file" "$(stat -c %s "$release/$file")" "$imports"
done
sed 's/^/  /' "$release/SHA256SUMS"

WINE_BUILD_DIR=$(pwd)/build
source scripts/wine-env.sh
wine_env_start
mkdir -p build/demo
echo
echo "== The plug-in in a browser (the test host), with a stub viewer that records how it was started"
wine build/windows/bin/npzqk_host.exe demo "$(winepath -w build/demo)" | tr -d '\r'
/usr/bin/python3 scripts/bmp_to_png.py build/demo/notice.bmp build/demo/notice.png
echo "  picture of the full-page notice: build/demo/notice.png"

echo
echo "== The installer, with Netscape 6 registered in the prefix"
netscape='C:\Program Files\Netscape\Netscape 6\'
wine reg add 'HKLM\SOFTWARE\Netscape\Netscape 6' /v CurrentVersion /d '6.2 (en)' /f >/dev/null
wine reg add 'HKLM\SOFTWARE\Netscape\Netscape 6\6.2 (en)\Main' /v 'Install Directory' /d "$netscape" /f >/dev/null
plugins="$(winepath -u "$netscape")Plugins"
mkdir -p "$plugins" && rm -f "$plugins/NPZqk.dll"
echo "  HKLM\\SOFTWARE\\Netscape\\Netscape 6: CurrentVersion = 6.2 (en), Install Directory = $netscape"
echo "  plugin-installer.exe run in $release, which holds NPZqk.dll; its output:"
(cd "$release" && wine plugin-installer.exe) | tr -d '\r' | sed 's/^/    /'
echo "  installed: $(ls -l "$plugins/NPZqk.dll" | awk '{print $5, "bytes"}'), $(cmp -s "$plugins/NPZqk.dll" "$release/NPZqk.dll" && echo "identical to the release file" || echo "DIFFERENT from the release file")"
wine reg delete 'HKLM\SOFTWARE\Netscape' /f >/dev/null
