#!/usr/bin/env bash
# Signs a program with Authenticode (Debian's osslsigncode) and checks the
# signature; tools/release.sh signs Quillon.exe with it.
#
#   tools/sign.sh IDENTITY [--timestamp URL] [--url URL] [PROGRAM SIGNED]
#
# IDENTITY        --pkcs12 FILE --password-file FILE
#                     a PKCS#12 file and a file that holds only its
#                     password (never on the command line), or
#                 --cert CHAIN.pem --key KEY.pem
#                     the signing certificate with the rest of its chain, in
#                     any order, and its unencrypted key
# --timestamp URL an RFC 3161 time-stamp server
# --url URL       the web address that the signature shows beside the name
#
# Without PROGRAM and SIGNED it only reads the identity and names the signer.
# Otherwise it signs PROGRAM (SHA-256, the identity's whole chain, the
# product's name as its build recorded it and URL as the description, the
# time stamp) and verifies the signature against the identity's certificates,
# with the system's roots for a chain that stops below its root. Signing
# leaves PROGRAM's Authenticode digest as it was; verify prints it, and a
# rebuild is compared with it (README). Only a signed program that verifies,
# with the time stamp that was asked for, is written to SIGNED, and then the
# manifest's lines of the signature go to standard output:
#   signature osslsigncode VERSION, SHA-256, time stamp from URL|no time stamp
#                  (VERSION: that of the Debian package)
#   signer SUBJECT
#   signer-certificate-sha256 FINGERPRINT
#   program-unsigned-sha256 SHA256
#   program-signed-sha256 SHA256
#   authenticode-sha256 DIGEST
# Its own messages go to standard error. Exits 1, and writes no SIGNED, when
# the identity can't be read, the time-stamp server can't be reached or
# refuses, or the signature or its time stamp doesn't verify; 2 on a usage
# error.
set -euo pipefail

usage() {
  echo "usage: tools/sign.sh --pkcs12 FILE --password-file FILE | --cert CHAIN.pem --key KEY.pem" \
    "[--timestamp URL] [--url URL] [PROGRAM SIGNED]" >&2
  exit 2
}
pkcs12="" password_file="" cert="" key="" timestamp="" url=""
while [ $# -gt 0 ]; do
  case "$1" in
    --pkcs12 | --password-file | --cert | --key | --timestamp | --url)
      [ $# -ge 2 ] && [ -n "$2" ] || usage
      case "$1" in
        --pkcs12) pkcs12=$2 ;;
        --password-file) password_file=$2 ;;
        --cert) cert=$2 ;;
        --key) key=$2 ;;
        --timestamp) timestamp=$2 ;;
        --url) url=$2 ;;
      esac
      shift 2
      ;;
    -*) usage ;;
    *) break ;;
  esac
done
if [ -n "$pkcs12$password_file" ] && [ -z "$cert$key" ]; then
  [ -f "$pkcs12" ] && [ -f "$password_file" ] || usage
elif [ -n "$cert$key" ] && [ -z "$pkcs12$password_file" ]; then
  [ -f "$cert" ] && [ -f "$key" ] || usage
else
  usage
fi
[ $# -eq 0 ] || { [ $# -eq 2 ] && [ -f "$1" ]; } || usage
program=${1:-}
signed=${2:-}
root=$(cd "$(dirname "$0")/.." && pwd)
stop() {
  echo "sign: $*" >&2
  exit 1
}
command -v osslsigncode >/dev/null && command -v openssl >/dev/null ||
  stop "osslsigncode or openssl is missing: tools/setup.sh installs them"
source "$root/tools/product.sh"
# "osslsigncode (= 2.9-1~bpo12+1)": the signature names its tool exactly.
signer_tool=$(quillon_packages "$(command -v osslsigncode)") ||
  stop "this osslsigncode is no Debian package's, which a signature could name: tools/setup.sh installs one"

work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-sign.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The identity's certificates, which with the system's roots are what the
# signature is verified against, and among them the signer's, the one of the
# key (as osslsigncode picks it).
if [ -n "$pkcs12" ]; then
  identity=(-pkcs12 "$pkcs12" -readpass "$password_file")
  { openssl pkcs12 -in "$pkcs12" -passin "file:$password_file" -nokeys -out "$work/certs.pem" &&
    openssl pkcs12 -in "$pkcs12" -passin "file:$password_file" -nokeys -clcerts \
      -out "$work/signer.pem"; } </dev/null >"$work/identity.log" 2>&1 ||
    { cat "$work/identity.log" >&2; stop "$pkcs12 can't be read with the password in $password_file"; }
else
  identity=(-certs "$cert" -key "$key")
  cp "$cert" "$work/certs.pem"
  public=$(openssl pkey -in "$key" -passin pass: -pubout </dev/null 2>"$work/identity.log") ||
    { cat "$work/identity.log" >&2; stop "$key holds no unencrypted key"; }
  awk -v to="$work/cert-" '/-----BEGIN CERTIFICATE-----/ { n++ } n { print > (to n ".pem") }' "$cert"
  for c in "$work"/cert-*.pem; do
    if [ -f "$c" ] && [ "$(openssl x509 -in "$c" -noout -pubkey 2>/dev/null)" = "$public" ]; then
      cp "$c" "$work/signer.pem"
      break
    fi
  done
fi
[ -s "$work/signer.pem" ] && openssl x509 -in "$work/signer.pem" -noout >/dev/null 2>&1 ||
  stop "the signing identity holds no certificate of its key"
signer=$(openssl x509 -in "$work/signer.pem" -noout -subject -nameopt compat | sed 's/^subject=//')
fingerprint=$(openssl x509 -in "$work/signer.pem" -noout -fingerprint -sha256 | sed 's/^[^=]*=//')
if [ -z "$program" ]; then
  echo "sign: signer $signer (certificate SHA-256 $fingerprint)${timestamp:+, time stamp from $timestamp}" >&2
  exit 0
fi
cat "$work/certs.pem" >"$work/trust.pem"
[ ! -f /etc/ssl/certs/ca-certificates.crt ] || cat /etc/ssl/certs/ca-certificates.crt >>"$work/trust.pem"

product=$(quillon_cached "$(dirname "$program")" QUILLON_PRODUCT_NAME)
[ -n "$product" ] || stop "no product name for the signature: $program lies in no build of the product"
sign=(osslsigncode sign "${identity[@]}" -h sha256 -n "$product")
[ -z "$url" ] || sign+=(-i "$url")
stamp=()
[ -z "$timestamp" ] || stamp=(-ts "$timestamp")
if ! "${sign[@]}" "${stamp[@]}" -in "$program" -out "$work/signed" </dev/null >"$work/sign.log" 2>&1; then
  tail -n 20 "$work/sign.log" >&2
  # That it signs without the time stamp tells that the server failed.
  if [ -n "$timestamp" ] &&
     "${sign[@]}" -in "$program" -out "$work/unstamped" </dev/null >/dev/null 2>&1; then
    stop "no time stamp from $timestamp (the server can't be reached or refused): not signed"
  fi
  stop "osslsigncode could not sign $program"
fi
if ! osslsigncode verify -CAfile "$work/trust.pem" -TSA-CAfile "$work/trust.pem" \
     -in "$work/signed" </dev/null >"$work/verify.log" 2>&1; then
  tail -n 30 "$work/verify.log" >&2
  stop "the signature doesn't verify against the identity's certificates: not signed"
fi
# verify passes a time stamp that doesn't verify, and says so only here.
if [ -n "$timestamp" ] &&
   ! grep -q '^Timestamp Server Signature verification: ok' "$work/verify.log"; then
  grep -i 'timestamp' "$work/verify.log" >&2 || true
  stop "the signature carries no time stamp from $timestamp that verifies: not signed"
fi
digest=$(sed -n 's/^Current message digest *: *\([0-9A-F]*\).*/\1/p' "$work/verify.log")
[ -n "$digest" ] || stop "osslsigncode verify printed no message digest"

cp "$work/signed" "$signed"
stamped="no time stamp"
[ -z "$timestamp" ] || stamped="time stamp from $timestamp"
echo "signature $(sed 's/ (= / /; s/)$//' <<<"$signer_tool"), SHA-256, $stamped"
echo "signer $signer"
echo "signer-certificate-sha256 $fingerprint"
echo "program-unsigned-sha256 $(sha256sum <"$program" | cut -d' ' -f1)"
echo "program-signed-sha256 $(sha256sum <"$signed" | cut -d' ' -f1)"
echo "authenticode-sha256 $digest"
