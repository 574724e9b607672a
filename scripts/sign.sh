#!/bin/sh
# Signs the installer with Authenticode (osslsigncode, SHA-256) and verifies the signature.
#
#   SV_SIGN_PKCS12=publisher.p12 SV_SIGN_PASSWORD=... scripts/sign.sh INSTALLER
#
# Environment:
#   SV_SIGN_PKCS12         the publisher's certificate and private key (PKCS#12 file); required
#   SV_SIGN_PASSWORD       its password; or SV_SIGN_PASSWORD_FILE, a file holding it
#   SV_SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamp server, so that the signature stays
#                          valid after the certificate expires
#   SV_SIGN_CAFILE         optional: the trusted certificates (PEM) the signature is verified
#                          against; default the system's (/etc/ssl/certs/ca-certificates.crt)
# The password is handed to osslsigncode in a private file, never on a command line. INSTALLER is
# replaced only once the signed copy verifies. Ends with "sign: ok" or "sign: FAILED".
set -eu
fail() { echo "sign: FAILED: $*" >&2; exit 1; }
[ $# -eq 1 ] || { echo "usage: scripts/sign.sh INSTALLER" >&2; exit 2; }
exe=$1
[ -f "$exe" ] && [ ! -L "$exe" ] || fail "$exe is not a regular file"
command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (scripts/setup.sh installs it)"
[ -n "${SV_SIGN_PKCS12:-}" ] || fail "SV_SIGN_PKCS12 names no PKCS#12 file"
[ -f "$SV_SIGN_PKCS12" ] || fail "no PKCS#12 file at $SV_SIGN_PKCS12"

work=$(mktemp -d "${TMPDIR:-/tmp}/sv-sign.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
umask 077
if [ -n "${SV_SIGN_PASSWORD_FILE:-}" ]; then
  [ -f "$SV_SIGN_PASSWORD_FILE" ] || fail "no password file at $SV_SIGN_PASSWORD_FILE"
  head -n 1 "$SV_SIGN_PASSWORD_FILE" > "$work/pass"
elif [ -n "${SV_SIGN_PASSWORD+set}" ]; then
  printf '%s\n' "$SV_SIGN_PASSWORD" > "$work/pass"
else
  fail "set SV_SIGN_PASSWORD or SV_SIGN_PASSWORD_FILE"
fi

set -- -pkcs12 "$SV_SIGN_PKCS12" -readpass "$work/pass" -h sha256 -n "Sarvelio 6.04h Setup"
if [ -n "${SV_SIGN_TIMESTAMP_URL:-}" ]; then
  set -- "$@" -ts "$SV_SIGN_TIMESTAMP_URL"
fi
signed="$work/signed.exe"
osslsigncode sign "$@" -in "$exe" -out "$signed" >"$work/sign.log" 2>&1 || { cat "$work/sign.log" >&2; fail "osslsigncode sign"; }

set -- -in "$signed"
if [ -n "${SV_SIGN_CAFILE:-}" ]; then
  set -- "$@" -CAfile "$SV_SIGN_CAFILE"
  # A time stamp from a server whose root is not in the given file is checked against the system's.
  [ -z "${SV_SIGN_TIMESTAMP_URL:-}" ] || set -- "$@" -TSA-CAfile /etc/ssl/certs/ca-certificates.crt
fi
if ! osslsigncode verify "$@" >"$work/verify.log" 2>&1; then
  cat "$work/verify.log" >&2
  fail "the signed installer does not verify"
fi
grep -q "Signature verification: ok" "$work/verify.log" || { cat "$work/verify.log" >&2; fail "no verified signature"; }
grep -q "Message digest algorithm *: SHA256" "$work/verify.log" || fail "the signature is not SHA-256"
subject=$(sed -n 's/^[[:space:]]*Subject: //p' "$work/verify.log" | head -n 1)

# Replace the installer in its own folder, atomically.
chmod --reference="$exe" "$signed" 2>/dev/null || chmod 644 "$signed"
cp "$signed" "$exe.signing"
mv -f "$exe.signing" "$exe"
echo "sign: ok ($exe; $(stat -c %s "$exe") bytes; SHA-256; signer $subject)"
