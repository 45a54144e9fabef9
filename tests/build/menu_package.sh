#!/usr/bin/env bash
# The Windows 11 menu's package as scripts/menu_package.py packs it: its
# checks pass on it, and each fails where it must: a byte flipped in a file,
# a certificate whose subject is not the Publisher (which the packer refuses
# too), an element taken out of the manifest. The signed package is checked
# by tests/build/signing.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/product.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
status=0
ok() { echo "ok   $*"; }
fail() { echo "FAIL $*"; status=1; }
packer() { python3 "$root/scripts/menu_package.py" "$@"; }
# A certificate: the subject's parts in the order openssl takes them, most
# general first.
certificate() {  # certificate NAME SUBJECT
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout "$1.key" -out "$1.pem" -subj "$2" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
}
reversed=$(awk -F', ' '{for (i = NF; i > 0; i--) printf "/%s", $i}' <<<"$KEEPSNAP_MENU_PUBLISHER")
certificate right "$reversed"
certificate wrong "/O=Someone Else/CN=Someone Else"

packer pack menu.msix --certificate right.pem
unzip -Z1 menu.msix >names.txt
[ "$(tr '\n' ' ' <names.txt)" = "AppxManifest.xml Assets/StoreLogo.png Assets/Square44x44Logo.png Assets/Square150x150Logo.png AppxBlockMap.xml [Content_Types].xml " ] &&
  ok "the payload, then the block map, then the content types ($(stat -c %s menu.msix) bytes)" ||
  fail "the package holds $(tr '\n' ' ' <names.txt)"
packer check menu.msix --certificate right.pem && ok "the package's checks pass" || fail "the package's checks"
packer pack again.msix
cmp -s menu.msix again.msix && ok "the same sources give the same bytes" || fail "two packings differ"

# A byte flipped in the manifest's bytes as they lie in the zip.
cp menu.msix flipped.msix
python3 - flipped.msix <<'PY'
import sys, zipfile
info = zipfile.ZipFile(sys.argv[1]).getinfo('AppxManifest.xml')
data = bytearray(open(sys.argv[1], 'rb').read())
at = info.header_offset + 30 + len(info.filename) + 200
data[at] ^= 0x01
open(sys.argv[1], 'wb').write(data)
PY
packer check flipped.msix >said.txt && fail "a flipped byte was not seen" ||
  { grep -q "not those of the block map" said.txt && ok "a flipped byte fails the block map" || fail "$(cat said.txt)"; }

if packer pack refused.msix --certificate wrong.pem 2>said.txt; then
  fail "packed for a certificate whose subject is not the Publisher"
else
  grep -q "is not the package's Publisher" said.txt && [ ! -e refused.msix ] &&
    ok "no package for a certificate whose subject is not the Publisher" || fail "$(cat said.txt)"
fi
packer check menu.msix --certificate wrong.pem >said.txt && fail "a wrong certificate was not seen" ||
  { grep -q "is not the certificate's subject" said.txt && ok "the check sees a Publisher that is not the subject" ||
      fail "$(cat said.txt)"; }

# Each element the checks ask for, taken out in turn.
mkdir payload && (cd payload && unzip -q ../menu.msix)
for element in 'uap10:AllowExternalContent' 'rescap:Capability Name="unvirtualizedResources"' 'TargetDeviceFamily' \
               'com:Class' 'desktop5:ItemType Type="Directory"'; do
  rm -rf cut && cp -r payload cut
  python3 - cut/AppxManifest.xml "$element" <<'PY'
import re, sys
text = open(sys.argv[1], encoding='utf-8').read()
tag = sys.argv[2].split()[0]
start = text.index('<' + sys.argv[2])
end = text.index('>', start) + 1
if text[end - 2] != '/':
    end = text.index('</' + tag + '>', start) + len('</' + tag + '>')
open(sys.argv[1], 'w', encoding='utf-8').write(text[:start] + text[end:])
PY
  packer repack cut cut.msix
  packer check cut.msix >said.txt && fail "without $element the checks pass" ||
    ok "without $element: $(head -n 1 said.txt | sed 's/^FAIL cut.msix: //')"
done
exit $status
