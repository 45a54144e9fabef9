#!/usr/bin/env bash
# Packs a release: dist/keepsnap-VERSION-ARCH.zip with both programs, help.html
# and uninstall.cmd (and, when signed, the Windows 11 menu's DLL and package), dist/keepsnap-VERSION-ARCH.msi (scripts/build-msi.sh) with
# the same programs, and a SHA-256 list of the zip's files and the package
# beside them. The same programs always give the same bytes: fixed times,
# fixed order, no extra fields.
#   package.sh [BUILD_DIR [NAME [OUT_DIR]]]   default build/win32, win32, dist
# Both programs and the installer's check (settings_check.dll, packed into
# the .msi only) are signed (Authenticode, SHA-256) before they are zipped,
# packed and listed when a certificate is given:
#   KEEPSNAP_SIGN_PFX=file.pfx [KEEPSNAP_SIGN_PASSWORD=...]    or
#   KEEPSNAP_SIGN_KEY=key.pem KEEPSNAP_SIGN_CERT=cert.pem [KEEPSNAP_SIGN_PASSWORD=...]
#   KEEPSNAP_SIGN_TIMESTAMP=http://...   an RFC 3161 timestamp server, if any
# Without one the release is made unsigned and says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/product.sh"
build=${1:-$root/build/win32}
name=$(keepsnap_release_name "${2:-win32}")
out=${3:-$root/dist}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$build/backup_command/$KEEPSNAP_COPY_PROGRAM" "$build/setup_utility/$KEEPSNAP_SETUP_PROGRAM" \
   "$build/installer_check/settings_check.dll" "$stage/"
# The help page and uninstall.cmd carry the product's facts.
keepsnap_fill "$root/release/help.html.in" "$stage/help.html"
keepsnap_fill "$root/release/uninstall.cmd.in" "$stage/uninstall.cmd"

credentials=()
if [ -n "${KEEPSNAP_SIGN_PFX:-}" ]; then
  credentials=(-pkcs12 "$KEEPSNAP_SIGN_PFX")
elif [ -n "${KEEPSNAP_SIGN_KEY:-}" ] && [ -n "${KEEPSNAP_SIGN_CERT:-}" ]; then
  credentials=(-certs "$KEEPSNAP_SIGN_CERT" -key "$KEEPSNAP_SIGN_KEY")
fi
if [ ${#credentials[@]} -gt 0 ]; then
  # A password goes through a file, not the command line that others can see.
  if [ -n "${KEEPSNAP_SIGN_PASSWORD:-}" ]; then
    printf '%s' "$KEEPSNAP_SIGN_PASSWORD" >"$stage/.password"
    credentials+=(-readpass "$stage/.password")
  fi
fi
sign() {  # sign FILE: in place, with the credentials given
  osslsigncode sign "${credentials[@]}" -h sha256 \
    -n "$KEEPSNAP_MAKER $KEEPSNAP_PRODUCT" ${KEEPSNAP_SIGN_TIMESTAMP:+-ts "$KEEPSNAP_SIGN_TIMESTAMP"} \
    -in "$1" -out "$1.signed" >"$stage/.sign.log" 2>&1 ||
    { cat "$stage/.sign.log" >&2; echo "package: signing $(basename "$1") failed" >&2; exit 1; }
  mv "$1.signed" "$1"
}
files=(help.html "$KEEPSNAP_COPY_PROGRAM" "$KEEPSNAP_SETUP_PROGRAM" uninstall.cmd)
if [ ${#credentials[@]} -gt 0 ]; then
  # The installer's check too: msiexec runs it, and the package carries it.
  for program in "$KEEPSNAP_COPY_PROGRAM" "$KEEPSNAP_SETUP_PROGRAM" settings_check.dll; do sign "$stage/$program"; done
  # The Windows 11 menu: the x86_64 DLL (Windows 11 has no 32-bit Explorer)
  # and its package, whose Publisher must be the certificate's subject.
  cp "$root/build/win64/menu_command/keepsnap_menu.dll" "$stage/"
  sign "$stage/keepsnap_menu.dll"
  certificate=${KEEPSNAP_SIGN_CERT:-}
  if [ -n "${KEEPSNAP_SIGN_PFX:-}" ]; then
    certificate=$stage/.certificate.pem
    openssl pkcs12 -in "$KEEPSNAP_SIGN_PFX" -nokeys -clcerts -passin "file:${stage}/.password" -out "$certificate" \
      2>/dev/null || openssl pkcs12 -in "$KEEPSNAP_SIGN_PFX" -nokeys -clcerts -passin pass: -out "$certificate"
  fi
  python3 "$root/scripts/menu_package.py" pack "$stage/keepsnap-menu.msix" --certificate "$certificate"
  sign "$stage/keepsnap-menu.msix"
  rm -f "$stage/.certificate.pem"
  files+=(keepsnap_menu.dll keepsnap-menu.msix)
fi

chmod 0644 "$stage"/*
TZ=UTC touch -d '2000-01-01 00:00:00' "$stage"/*
mkdir -p "$out"
rm -f "$out/$name.zip"
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$out/$name.zip" "${files[@]}")
# The package holds the programs as signed, and is signed itself.
rm -f "$out/$name.msi"
"$root/scripts/build-msi.sh" "$stage" "$KEEPSNAP_VERSION" "$out/$name.msi"
if [ ${#credentials[@]} -gt 0 ]; then
  sign "$out/$name.msi"
  echo "package: $KEEPSNAP_COPY_PROGRAM, $KEEPSNAP_SETUP_PROGRAM, keepsnap_menu.dll, keepsnap-menu.msix and $name.msi signed${KEEPSNAP_SIGN_TIMESTAMP:+ and timestamped}" >&2
else
  echo "package: UNSIGNED release (no certificate given: set KEEPSNAP_SIGN_PFX, or KEEPSNAP_SIGN_KEY and KEEPSNAP_SIGN_CERT)" >&2
  echo "package: no Windows 11 menu package in an UNSIGNED release: Windows registers only a signed one; the classic entry is there" >&2
fi
rm -f "$stage/.password" "$stage/.sign.log"
(cd "$stage" && sha256sum "${files[@]}") >"$out/$name.sha256"
(cd "$out" && sha256sum "$name.msi") >>"$out/$name.sha256"
echo "$out/$name.zip"
