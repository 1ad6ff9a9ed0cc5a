#!/usr/bin/env bash
# The release, checked as an administrator would check it:
# - bit for bit: a copy of the source tree in another folder, built again
#   (the deliverables only) and packaged, gives the same files as
#   build/release: the ZIP, the MSI, the packed extensions;
# - hardened: every DLL and program in it carries the protections and no time
#   stamp (tests/pe/check_pe.py --release);
# - signed: with a throwaway CA and code-signing certificate made here, every
#   program, DLL and the MSI of a signed release verifies against that CA,
#   and a file changed after signing does not.
# Expects the windows and windows-x64 presets to be built.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/windows-trees.sh
top=$PWD

package() {  # package SOURCE_TREE DESTINATION: the release of that tree's windows preset
  (cd "$1" && rm -rf build/release && cpack --preset windows >/dev/null)
  mkdir -p "$2" && find "$1"/build/release -maxdepth 1 -type f -exec cp -t "$2" {} +
}

echo "== the release, twice: this tree and a copy of it in another folder"
rm -rf build/check && mkdir -p build/check/copy
package "$top" build/check/first
git ls-files -co --exclude-standard -z | xargs -0 cp --parents -t build/check/copy
start=$(date +%s)
(cd build/check/copy && build_windows_trees --no-warn-unused-cli -DNPZQK_TEST_PROGRAMS=OFF >/dev/null)
package build/check/copy build/check/second
echo "  the second build took $(( $(date +%s) - start )) s"
zip=$(cd build/check/first && ls NPZqk-*-windows.zip)
for file in $(cd build/check/first && ls); do
  if cmp -s build/check/first/"$file" build/check/second/"$file"; then
    echo "  identical: $file, $(sha256sum build/check/first/"$file" | cut -d' ' -f1)"
  else
    echo "  FAILED: the two builds' $file differ"; exit 1
  fi
done
for expected in "$zip" NPZqk-*.msi NPZqk-*.xpi NPZqk-*-store.zip ${NPZQK_EXTENSION_KEY:+NPZqk-*.crx updates.xml}; do
  compgen -G "build/check/first/$expected" >/dev/null || { echo "  FAILED: no $expected in the release"; exit 1; }
done

echo "== the release's Windows files"
mkdir -p build/check/unpacked && (cd build/check/unpacked && cmake -E tar xf ../first/"$zip")
mapfile -t files < <(find build/check/unpacked -iname '*.dll' -o -iname '*.exe' | sort)
/usr/bin/python3 tests/pe/check_pe.py --release "${files[@]}"

echo "== a signed release, checked against a throwaway CA"
keys=build/check/keys && mkdir -p "$keys"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=NPZqk test CA" -keyout "$keys/ca.key" \
  -out "$keys/ca.pem" -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=NPZqk test signer" -keyout "$keys/signer.key" \
  -out "$keys/signer.csr" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' > "$keys/ext"
openssl x509 -req -in "$keys/signer.csr" -CA "$keys/ca.pem" -CAkey "$keys/ca.key" -CAcreateserial -days 2 \
  -extfile "$keys/ext" -out "$keys/signer.pem" 2>/dev/null
password="throwaway-$RANDOM$RANDOM"
openssl pkcs12 -export -inkey "$keys/signer.key" -in "$keys/signer.pem" -out "$keys/signer.p12" \
  -passout "pass:$password"
NPZQK_SIGN_PKCS12="$PWD/$keys/signer.p12" NPZQK_SIGN_PASSWORD="$password" package "$top" build/check/signed \
  > build/check/signing.log 2>&1
if grep -q -F "$password" build/check/signing.log build/check/signed/*.zip; then
  echo "  FAILED: the password appears in the log or the release"; exit 1
fi
mkdir -p build/check/signed/unpacked && (cd build/check/signed/unpacked && cmake -E tar xf ../"$zip")
failed=0
while read -r file; do
  if osslsigncode verify -CAfile "$keys/ca.pem" -in "$file" >/dev/null 2>&1; then
    echo "  verified: ${file#build/check/signed/}"
  else
    echo "  FAILED: ${file#build/check/signed/} does not verify"; failed=1
  fi
done < <(find build/check/signed \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.msi' \) | sort)
tampered=$(find build/check/signed/unpacked -maxdepth 2 -name npzqk-host.exe)
printf 'X' | dd of="$tampered" bs=1 seek=1024 conv=notrunc status=none
if osslsigncode verify -CAfile "$keys/ca.pem" -in "$tampered" >/dev/null 2>&1; then
  echo "  FAILED: npzqk-host.exe changed after signing still verifies"; failed=1
else
  echo "  npzqk-host.exe changed after signing: refused"
fi
exit $failed
