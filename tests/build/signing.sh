#!/usr/bin/env bash
# The signed release: a throw-away code-signing certificate, made here, signs
# both programs (SHA-256) through scripts/package.sh, once from a PFX file and once from
# a key and certificate pair, with a timestamp from a timestamp server run on
# this machine for the test. Checks that osslsigncode accepts each signature
# against that certificate, that taking the signature off gives back the very
# bytes of the unsigned build, that the SHA-256 list is of the signed bytes,
# and that without a certificate the release is unsigned and says so. Leaves
# the signed zips in build/signed for the Wine release test.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/product.sh"
work=$(mktemp -d)
out=$root/build/signed
trap 'kill "$(cat "$work/tsa.pid" 2>/dev/null)" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
status=0
ok() { echo "ok   $*"; }
fail() { echo "FAIL $*"; status=1; }
# sha256sum -c checks only the files a list names: the list must name every
# file of the release, the zip's and the package, and nothing else.
list_names_release() {  # list_names_release DIR NAME
  local want got
  want=$( (unzip -Z1 "$1/$2.zip"; echo "$2.msi") | sort)
  got=$(sed -E 's/^[0-9a-f]{64} [ *]//' "$1/$2.sha256" | sort)
  [ "$want" = "$got" ] && ok "$2: the SHA-256 list names every file of the release" ||
    fail "$2: the SHA-256 list names $(echo $got), the release holds $(echo $want)"
}

# The subject the Windows 11 menu's package names as its Publisher, its
# parts in the order openssl takes them, most general first.
subject=$(awk -F', ' '{for (i = NF; i > 0; i--) printf "/%s", $i}' <<<"$KEEPSNAP_MENU_PUBLISHER")
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout key.pem -out cert.pem -subj "$subject" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -passout pass:test-only -out cert.pfx
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout tsa.key -out tsa.pem -subj "/CN=Keepsnap test timestamps" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=critical,timeStamping" 2>/dev/null
cat >tsa.cnf <<'CNF'
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = ./tsa.serial
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
CNF
echo 01 >tsa.serial
# An RFC 3161 timestamp server on the loopback address, answering through
# openssl ts, for as long as this script runs.
python3 - "$work" >tsa.log 2>&1 <<'PY' &
import http.server, os, subprocess, sys
work = sys.argv[1]
class Stamp(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers['Content-Length']))
        with open(os.path.join(work, 'query.tsq'), 'wb') as f:
            f.write(query)
        subprocess.run(['openssl', 'ts', '-reply', '-config', 'tsa.cnf', '-queryfile', 'query.tsq',
                        '-inkey', 'tsa.key', '-signer', 'tsa.pem', '-out', 'reply.tsr'], cwd=work, check=True)
        reply = open(os.path.join(work, 'reply.tsr'), 'rb').read()
        self.send_response(200)
        self.send_header('Content-Type', 'application/timestamp-reply')
        self.send_header('Content-Length', str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
server = http.server.HTTPServer(('127.0.0.1', 0), Stamp)
open(os.path.join(work, 'tsa.port'), 'w').write(str(server.server_address[1]))
server.timeout = 1
for _ in range(600):  # ten minutes at the most
    server.handle_request()
PY
echo $! >tsa.pid
for _ in $(seq 50); do [ -s tsa.port ] && break; sleep 0.1; done
timestamp=http://127.0.0.1:$(cat tsa.port)

rm -rf "$out" && mkdir -p "$out"
# build:name:how, for the shipped i686 build and the x86_64 one the tests run.
for release in win32:win32:pfx win64:win64-test:pair; do
  IFS=: read -r build name how <<<"$release"
  if [ "$how" = pfx ]; then
    KEEPSNAP_SIGN_PFX=cert.pfx KEEPSNAP_SIGN_PASSWORD=test-only KEEPSNAP_SIGN_TIMESTAMP=$timestamp \
      "$root/scripts/package.sh" "$root/build/$build" "$name" "$out" >/dev/null 2>said.txt || true
  else
    KEEPSNAP_SIGN_KEY=key.pem KEEPSNAP_SIGN_CERT=cert.pem KEEPSNAP_SIGN_TIMESTAMP=$timestamp \
      "$root/scripts/package.sh" "$root/build/$build" "$name" "$out" >/dev/null 2>said.txt || true
  fi
  # A package.sh that failed says why here, rather than ending the test unheard.
  grep -q "signed and timestamped" said.txt && ok "$name: package.sh says signed and timestamped ($how)" ||
    fail "$name: package.sh said: $(cat said.txt)"
  rm -rf unpacked && mkdir unpacked && unzip -q "$out/keepsnap-$KEEPSNAP_VERSION-$name.zip" -d unpacked
  cp "$out/keepsnap-$KEEPSNAP_VERSION-$name.msi" unpacked/
  (cd unpacked && sha256sum -c --quiet "$out/keepsnap-$KEEPSNAP_VERSION-$name.sha256") && ok "$name: SHA-256 list is of the signed files and package" ||
    fail "$name: SHA-256 list does not match the zip and the package"
  list_names_release "$out" "keepsnap-$KEEPSNAP_VERSION-$name"
  # The installer's check, as the package carries it.
  msiinfo extract "$out/keepsnap-$KEEPSNAP_VERSION-$name.msi" Binary.SettingsCheck >unpacked/settings_check.dll
  for program in backup_command/snapcopy.exe setup_utility/snapsetup.exe installer_check/settings_check.dll package; do
    exe=$(basename "$program")
    [ "$program" = package ] && exe=keepsnap-$KEEPSNAP_VERSION-$name.msi
    if osslsigncode verify -CAfile cert.pem -TSA-CAfile tsa.pem -in "unpacked/$exe" >verify.txt 2>&1 &&
       grep -q "Signature verification: ok" verify.txt && grep -q "Timestamp Server Signature verification: ok" verify.txt; then
      ok "$name/$exe: signature and timestamp verified against the test certificates"
    else
      fail "$name/$exe: not verified"; cat verify.txt
    fi
    # The file's digest and the signer's: SHA-1 ones verify too, but Windows
    # no longer trusts them.
    digests=$(grep -E '^[[:space:]]*Message digest algorithm[[:space:]]*:' verify.txt | sed 's/.*:[[:space:]]*//' | sort | uniq -c | xargs)
    if [ "$(grep -cE '^[[:space:]]*Message digest algorithm[[:space:]]*:' verify.txt)" -ge 2 ] &&
       ! grep -E '^[[:space:]]*Message digest algorithm[[:space:]]*:' verify.txt | grep -vq 'SHA256[[:space:]]*$'; then
      ok "$name/$exe: every digest is SHA-256 ($digests)"
    else
      fail "$name/$exe: digests are not all SHA-256: $digests"
    fi
    [ "$program" = package ] && continue  # its programs are the signed ones: it has no unsigned twin
    osslsigncode remove-signature -in "unpacked/$exe" -out stripped.exe >/dev/null
    cmp -s stripped.exe "$root/build/$build/$program" &&
      ok "$name/$exe: without its signature, the bytes of the unsigned build ($(stat -c %s stripped.exe) bytes)" ||
      fail "$name/$exe: without its signature it differs from the unsigned build"
    rm -f stripped.exe
  done
  # The Windows 11 menu: the x86_64 DLL and its package, signed; the
  # package's own checks with the certificate's subject.
  for exe in keepsnap_menu.dll keepsnap-menu.msix; do
    if osslsigncode verify -CAfile cert.pem -TSA-CAfile tsa.pem -in "unpacked/$exe" >verify.txt 2>&1 &&
       grep -q "Signature verification: ok" verify.txt; then
      ok "$name/$exe: signature verified against the test certificate"
    else
      fail "$name/$exe: not verified"; cat verify.txt
    fi
  done
  python3 "$root/scripts/menu_package.py" check unpacked/keepsnap-menu.msix --certificate cert.pem &&
    ok "$name/keepsnap-menu.msix: block map, content types and manifest, Publisher the certificate's subject" ||
    fail "$name/keepsnap-menu.msix: its checks"
  sed -n '/Signer.s certificate/,/Certificate expiration/p' verify.txt | grep -m1 -i "subject" | sed 's/^[[:space:]]*/     /' || true
done

# Without a certificate: made all the same, unsigned, and said so.
env -u KEEPSNAP_SIGN_PFX -u KEEPSNAP_SIGN_KEY -u KEEPSNAP_SIGN_CERT \
  "$root/scripts/package.sh" "$root/build/win32" win32 "$work/unsigned" >/dev/null 2>said.txt
rm -rf unpacked && mkdir unpacked && unzip -q "$work/unsigned/keepsnap-$KEEPSNAP_VERSION-win32.zip" -d unpacked
if grep -q "UNSIGNED release" said.txt && grep -q "no Windows 11 menu package" said.txt &&
   [ ! -e unpacked/keepsnap-menu.msix ] && ! osslsigncode verify -in unpacked/snapcopy.exe >/dev/null 2>&1 &&
   cmp -s unpacked/snapcopy.exe "$root/build/win32/backup_command/snapcopy.exe"; then
  ok "no certificate: an unsigned release, said to be unsigned"
else
  fail "no certificate: $(cat said.txt)"
fi
list_names_release "$work/unsigned" keepsnap-$KEEPSNAP_VERSION-win32
exit $status
