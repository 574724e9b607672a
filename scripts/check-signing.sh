#!/bin/sh
# Checks the publisher's signing step on a copy of the shipped installer, with a throw-away
# self-signed code-signing certificate made on the fly (nothing is kept):
#   1. scripts/sign.sh signs the copy (SHA-256) and verifies it;
#   2. the signature verifies again, against that certificate only, and names its signer;
#   3. the signed copy still passes scripts/check-installer.sh;
#   4. its payload resource (260/134) is byte for byte the unsigned one and reads back through
#      the installer's reader (payloadtool verify) with every size and CRC-32 intact.
#
#   scripts/check-signing.sh [INSTALLER]    default build/mingw-x86/bin/InstallSarvelio6.04h.exe
#
# payloadtool: $SV_PAYLOADTOOL, else the one the cross build made for the host, else the native
# build's. Ends with "signing: ok (...)" or "signing: FAILED".
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$ROOT/build/mingw-x86/bin/InstallSarvelio6.04h.exe}
fail() { echo "signing: FAILED: $*"; exit 1; }
[ -f "$exe" ] || fail "no installer at $exe (build the mingw-x86 preset first)"
tool=${SV_PAYLOADTOOL:-}
for candidate in "$ROOT/build/mingw-x86/host-tools/payloadtool/payloadtool" \
                 "$ROOT/build/mingw-x64/host-tools/payloadtool/payloadtool" \
                 "$ROOT/build/native/tools/payloadtool/payloadtool"; do
  [ -n "$tool" ] || { [ -x "$candidate" ] && tool=$candidate; } || true
done
[ -n "$tool" ] || fail "no payloadtool built (build the mingw-x86 preset)"

work=$(mktemp -d "${TMPDIR:-/tmp}/sv-check-signing.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
umask 077

# The throw-away certificate: RSA 2048, code signing, valid for two days.
password=$(openssl rand -hex 16)
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 \
  -subj "/CN=Kavrenco throw-away test signer/O=Kavrenco" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >"$work/openssl.log" 2>&1 || { cat "$work/openssl.log"; fail "openssl req"; }
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.p12" \
  -passout "pass:$password" >>"$work/openssl.log" 2>&1 || { cat "$work/openssl.log"; fail "openssl pkcs12"; }

copy=$work/InstallSarvelio6.04h.exe
cp "$exe" "$copy"
unsigned_size=$(stat -c %s "$copy")
python3 "$ROOT/tools/pe_resource.py" "$copy" 260 134 "$work/unsigned-payload.bin" >/dev/null || fail "no payload resource in $exe"

# 1. sign.sh, with the password through the environment.
SV_SIGN_PKCS12=$work/signer.p12 SV_SIGN_PASSWORD=$password SV_SIGN_CAFILE=$work/cert.pem \
  SV_SIGN_TIMESTAMP_URL= "$ROOT/scripts/sign.sh" "$copy" || fail "scripts/sign.sh"
signed_size=$(stat -c %s "$copy")
cmp -s "$exe" "$copy" && fail "the copy did not change"

# 2. An independent verification, trusting only the throw-away certificate.
osslsigncode verify -CAfile "$work/cert.pem" -in "$copy" >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; fail "osslsigncode verify"; }
grep -q "Signature verification: ok" "$work/verify.log" || fail "no verified signature"
grep -q "CN=Kavrenco throw-away test signer" "$work/verify.log" || fail "the signer is not named"
# A signature made by someone else does not verify against this certificate.
if osslsigncode verify -CAfile /etc/ssl/certs/ca-certificates.crt -in "$copy" >/dev/null 2>&1; then
  fail "the self-signed signature verified against the system's roots"
fi

# 3. Still the installer's shape.
shape=$("$ROOT/scripts/check-installer.sh" "$copy") || { echo "$shape"; fail "check-installer.sh on the signed copy"; }
case "$shape" in
  "installer check: ok"*) echo "  signed copy: ${shape#installer check: }" ;;
  *) echo "$shape"; fail "check-installer.sh on the signed copy" ;;
esac

# 4. The payload survives signing and reads back with every checksum.
python3 "$ROOT/tools/pe_resource.py" "$copy" 260 134 "$work/signed-payload.bin" >/dev/null || fail "no payload resource after signing"
cmp "$work/unsigned-payload.bin" "$work/signed-payload.bin" || fail "the payload resource changed"
"$tool" verify "$work/signed-payload.bin" >"$work/payload.log" 2>&1 || { cat "$work/payload.log"; fail "payloadtool verify"; }
files=$(sed -n 's/.*: \([0-9]*\) files verified.*/\1/p' "$work/payload.log")
[ -n "$files" ] && [ "$files" -gt 0 ] || { cat "$work/payload.log"; fail "no file verified"; }

echo "signing: ok (unsigned $unsigned_size bytes, signed $signed_size bytes, +$((signed_size - unsigned_size)); SHA-256 Authenticode verifies; shape ok; payload $(stat -c %s "$work/signed-payload.bin") bytes, $files files verified with their CRC-32)"
