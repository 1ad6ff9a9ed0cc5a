#!/usr/bin/env bash
# The main job: builds NPZqk.dll (32-bit and 64-bit), plugin-installer.exe,
# npzqk-host.exe and the browser extension, makes the release with CPack in
# build/release (the ZIP, the MSI, the packed extensions), and demonstrates
# them in a throwaway Wine prefix and, for the extension, in Chromium. Where
# the machine runs no 32-bit programs (or NPZQK_NO_32BIT=1), the release is
# the same, and the demonstrations use its 64-bit plug-in and host.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-trees.sh
bash scripts/install-deps.sh
build_windows_trees >/dev/null

rm -rf build/release
cpack --preset windows >/dev/null
cd build/release
zip=$(ls NPZqk-*-windows.zip)
release=${zip%.zip}
cmake -E tar xf "$zip"
echo "== The release: build/release/$zip"
sed 's/^/  /' "$zip.sha256"
sha256sum --quiet -c "$zip.sha256"
if [ -n "${NPZQK_SIGN_PKCS12:-}" ]; then
  echo "  signed with the certificate in $NPZQK_SIGN_PKCS12"
else
  echo "  unsigned: no code-signing certificate given (NPZQK_SIGN_PKCS12 and NPZQK_SIGN_PASSWORD)"
fi
echo "  beside it:"
for file in $(ls | grep -v -e '^_CPack' -e "^$release\$" -e "^$zip"); do
  printf '    %-28s %6d bytes\n' "$file" "$(stat -c %s "$file")"
done
if [ -z "${NPZQK_EXTENSION_KEY:-}" ]; then
  echo "  no CRX for Chrome and Edge: no extension key given (NPZQK_EXTENSION_KEY and NPZQK_EXTENSION_URL)"
fi
echo "  in the ZIP:"
(cd "$release" && find . -type f | sort | sed 's|^\./||') | while read -r file; do
  case "$file" in
    *.dll | *.exe) details=$(/usr/bin/python3 ../../tests/pe/check_pe.py --describe "$release/$file") ;;
    *.png) details="PNG image" ;;
    *.json) details="JSON" ;;
    *.js) details="JavaScript" ;;
    *.html) details="HTML" ;;
    *.md | *.txt) details="text" ;;
    *) details=$(file -b "$release/$file" | cut -d, -f1) ;;
  esac
  printf '  %-30s %6d bytes  %s\n' "$file" "$(stat -c %s "$release/$file")" "$details"
done
cd ../..

# The 32-bit files where the machine runs them, as the ZIP's --register does;
# else the 64-bit ones.
probe_32bit
tree=build/windows host_name=npzqk-host.exe
if [ "$NPZQK_RUNS_32BIT" != yes ]; then
  tree=build/windows-x64 host_name='x64\npzqk-host.exe'
  echo
  echo "== Shown with the 64-bit plug-in and host, without plugin-installer.exe (32-bit only): $NPZQK_32BIT_WHY"
fi
source scripts/wine-session.sh "$tree"
mkdir -p build/demo
echo
echo "== The plug-in in a browser (the test host), with a stub viewer that records how it was started"
wine "$tree/bin/npzqk_host.exe" demo "$(wine winepath.exe -w build/demo | tr -d '\r')" | tr -d '\r'
/usr/bin/python3 scripts/bmp_to_png.py build/demo/notice.bmp build/demo/notice.png
echo "  picture of the full-page notice: build/demo/notice.png"

if [ "$NPZQK_RUNS_32BIT" = yes ]; then
  echo
  echo "== The installer, with Netscape 6 registered in the prefix"
  netscape='C:\Program Files\Netscape\Netscape 6\'
  wine reg.exe add 'HKLM\SOFTWARE\Netscape\Netscape 6' /v CurrentVersion /d '6.2 (en)' /f >/dev/null
  wine reg.exe add 'HKLM\SOFTWARE\Netscape\Netscape 6\6.2 (en)\Main' /v 'Install Directory' /d "$netscape" /f >/dev/null
  plugins="$(wine winepath.exe -u "$netscape" | tr -d '\r')Plugins"
  mkdir -p "$plugins" && rm -f "$plugins/NPZqk.dll"
  echo "  HKLM\\SOFTWARE\\Netscape\\Netscape 6: CurrentVersion = 6.2 (en), Install Directory = $netscape"
  echo "  plugin-installer.exe run in build/release/$release, which holds NPZqk.dll; its output:"
  (cd "build/release/$release" && wine plugin-installer.exe) | tr -d '\r' | sed 's/^/    /'
  echo "  installed: $(ls -l "$plugins/NPZqk.dll" | awk '{print $5, "bytes"}'), $(cmp -s "$plugins/NPZqk.dll" "build/release/$release/NPZqk.dll" && echo "identical to the release file" || echo "DIFFERENT from the release file")"
  wine reg.exe delete 'HKLM\SOFTWARE\Netscape' /f >/dev/null
fi

echo
echo "== The native messaging host, as Chrome, Edge and Firefox start it"
host_dir="build/release/$release"
echo "  $host_name --register, run in build/release/$release:"
(cd "$host_dir" && wine "$host_name" --register) | tr -d '\r' | sed 's/^/    /'
wine reg.exe add 'HKLM\SOFTWARE\Quendrix\Shared' /v ActiveXViewer /d "$(wine winepath.exe -w "$tree/bin/stub_viewer.exe" | tr -d '\r')" /f >/dev/null
record="$PWD/build/demo/viewer-record"
rm -f "$record"
NPZQK_VIEWER_RECORD=$(wine winepath.exe -w "$record" | tr -d '\r')
export NPZQK_VIEWER_RECORD
request='{"url":"http://books.example/shelf/a.zqk","uid":"42 \"C:\\evil.zqk\" /print"}'
installed="$(wine winepath.exe -u "$(wine cmd.exe /c 'echo %LOCALAPPDATA%' | tr -d '\r')" | tr -d '\r')/Programs/NPZqk/npzqk-host.exe"
echo "  the request, framed by its 32-bit length, to the installed copy: $request"
/usr/bin/python3 -c 'import struct, sys; b = sys.argv[1].encode(); sys.stdout.buffer.write(struct.pack("<I", len(b)) + b)' "$request" |
  wine "$installed" "chrome-extension://$(/usr/bin/python3 scripts/extension_ids.py | sed -n 1p)/" |
  /usr/bin/python3 -c 'import struct, sys; d = sys.stdin.buffer.read(); print("  its reply (%d bytes, framed as %d): %s" % (len(d) - 4, struct.unpack("<I", d[:4])[0], d[4:].decode()))'
for i in $(seq 50); do [ -f "$record" ] && break; sleep 0.1; done
if [ -f "$record" ]; then
  /usr/bin/python3 -c 'import sys; p = open(sys.argv[1], "rb").read().split(b"\0"); print("  the viewer started with:", p[0].decode("cp1252")); print("  its arguments:", " | ".join(a.decode("cp1252") for a in p[2:-1]))' "$record"
else
  echo "  the viewer was not started"
fi
wine reg.exe delete 'HKLM\SOFTWARE\Quendrix' /f >/dev/null
echo "  $host_name --unregister:"
(cd "$host_dir" && wine "$host_name" --unregister) | tr -d '\r' | sed 's/^/    /'

echo
echo "== The released extension in Chromium, with the released host under Wine and the stub viewer"
/usr/bin/python3 tests/browser/extension_test.py chromium "$host_dir/extension" "$host_dir/${host_name/\\//}" \
  "$tree/bin/stub_viewer.exe" build/demo | sed 's/^chromium: /  /'
mv build/demo/chromium-place.png build/demo/place.png
mv build/demo/chromium-question.png build/demo/question.png
mv build/demo/chromium-question-de.png build/demo/question-de.png
echo "  pictures: build/demo/place.png (the page), build/demo/question.png (the question, with the extension's" \
     "icon), build/demo/question-de.png (the same in German)"

echo
echo "== The MSI, as an administrator deploys it, in a 64-bit prefix"
(
  [ "$tree" = build/windows-x64 ] || source scripts/wine-session.sh build/windows-x64
  msi=$(cd build/release && ls NPZqk-*.msi)
  package=$(wine winepath.exe -w "build/release/$msi" | tr -d '\r')
  status=0 && wine msiexec /i "$package" /qn || status=$?
  echo "  msiexec /i $msi /qn: status $status; it installed:"
  folder=$(wine winepath.exe -u 'C:\Program Files\NPZqk' | tr -d '\r')
  (cd "$folder" && find . -type f | sort | sed 's|^\./|    C:\\Program Files\\NPZqk\\|; s|/|\\|g')
  query() { wine reg.exe query "$@" 2>/dev/null | tr -d '\r' | grep -v -e '^$' -e '^reg: ' | sed 's/^/    /' || true; }
  for view in 64 32; do
    echo "  registry, $view-bit view:"
    for key in Google\\Chrome Microsoft\\Edge Chromium Mozilla; do
      query "HKLM\\Software\\$key\\NativeMessagingHosts\\com.quendrix.npzqk" /reg:$view
    done
    query 'HKLM\Software\MozillaPlugins' /s /reg:$view
  done
  echo "  Add/Remove Programs:"
  wine reg.exe query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:64 | tr -d '\r' |
    grep -A20 'DisplayName.*NPZqk' | grep -E 'Display|Publisher|HelpLink' | sed 's/^ */    /'
  status=0 && wine msiexec /x "$package" /qn || status=$?
  echo "  msiexec /x $msi /qn: status $status; C:\\Program Files\\NPZqk $([ -e "$folder" ] && echo "is still there" || echo "is gone")"
)
