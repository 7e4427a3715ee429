#!/usr/bin/env bash
# Signs the programs of a release folder (cmake --build build --target dist)
# with the author's code-signing certificate, so that SmartScreen and Smart
# App Control see who made them:
#
#   tools/sign.sh --pfx FILE [--password-file F] [--timestamp URL]
#                 [--name TEXT] [--url URL] [--ca-file F] [DIST_FOLDER]
#
#   --pfx            the certificate with its private key (PKCS#12, .pfx/.p12)
#   --password-file  a file whose first line is the pfx's password (none: empty)
#   --timestamp      a time-stamping server; a timestamped signature stays
#                    valid after the certificate has expired
#   --name, --url    the description and the link Windows shows for the
#                    signature (default name: the product's, "Tarvel")
#   --ca-file        the certificates to check the signatures against (default:
#                    the ones the pfx holds, then the system's)
#   DIST_FOLDER      default: build/dist/tarvel
#
# tarvel.exe, uninst.exe and tarvelchk.exe are signed with SHA-256, then the
# template package gets the signed tarvel.exe and uninst.exe, then every
# signed file is verified. Exit code 0 when all went well, 1 otherwise.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

fail() { echo "sign.sh: $*" >&2; exit 1; }
usage() { sed -n '5,7p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,3\}//' >&2; exit 1; }

pfx="" password_file="" timestamp="" url="" ca_file="" dist=""
name=$(sed -n 's/^#define TARVEL_PRODUCT_NAME "\(.*\)"$/\1/p' "$here/src/base/Version.h")
while [ $# -gt 0 ]; do
  case $1 in
    --pfx) [ $# -ge 2 ] || usage; pfx=$2; shift 2 ;;
    --password-file) [ $# -ge 2 ] || usage; password_file=$2; shift 2 ;;
    --timestamp) [ $# -ge 2 ] || usage; timestamp=$2; shift 2 ;;
    --name) [ $# -ge 2 ] || usage; name=$2; shift 2 ;;
    --url) [ $# -ge 2 ] || usage; url=$2; shift 2 ;;
    --ca-file) [ $# -ge 2 ] || usage; ca_file=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "sign.sh: unknown option $1" >&2; usage ;;
    *) [ -z "$dist" ] || usage; dist=$1; shift ;;
  esac
done
[ -n "$pfx" ] || { echo "sign.sh: --pfx FILE is needed" >&2; usage; }
dist=${dist:-$here/build/dist/tarvel}

command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (tools/setup.sh installs it)"
command -v openssl >/dev/null || fail "openssl is not installed"
[ -f "$pfx" ] || fail "no certificate file: $pfx"
[ -d "$dist" ] || fail "no release folder: $dist (make it with: cmake --build build --target dist)"
programs=(tarvel.exe uninst.exe tarvelchk.exe)
for program in "${programs[@]}"; do
  [ -f "$dist/$program" ] || fail "the release folder lacks $program: $dist"
done
if [ -n "$password_file" ]; then
  [ -f "$password_file" ] || fail "no password file: $password_file"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"
# The password's first line, without its line end, in a file only we read.
if [ -n "$password_file" ]; then
  head -n 1 "$password_file" | tr -d '\r\n' >"$work/password"
else
  : >"$work/password"
fi

# The pfx opens with this password, or it is the wrong one. Certificates made
# by older Windows use ciphers that OpenSSL 3 keeps in its legacy provider.
read_pfx() {
  openssl pkcs12 -in "$pfx" -passin "file:$work/password" "$@" 2>/dev/null \
    || openssl pkcs12 -legacy -in "$pfx" -passin "file:$work/password" "$@" 2>/dev/null
}
if ! read_pfx -nokeys -out "$work/certs.pem"; then
  fail "the certificate cannot be opened with this password (wrong password, or no PKCS#12 file): $pfx"
fi
grep -q 'BEGIN CERTIFICATE' "$work/certs.pem" || fail "the pfx holds no certificate: $pfx"
subject=$(openssl x509 -in "$work/certs.pem" -noout -subject -nameopt oneline 2>/dev/null | sed 's/^subject= *//')
[ -n "$ca_file" ] || ca_file=$work/certs.pem
[ -f "$ca_file" ] || fail "no CA file: $ca_file"

sign_one() {
  local file=$1 input=$1
  # A program signed before gets its signature replaced, not a second one.
  if osslsigncode extract-signature -in "$file" -out "$work/old.sig" >/dev/null 2>&1; then
    rm -f "$work/old.sig"
    osslsigncode remove-signature -in "$file" -out "$work/unsigned.exe" >/dev/null \
      || fail "the earlier signature cannot be removed: $file"
    input=$work/unsigned.exe
  fi
  local args=(sign -pkcs12 "$pfx" -readpass "$work/password" -h sha256 -n "$name")
  [ -z "$url" ] || args+=(-i "$url")
  [ -z "$timestamp" ] || args+=(-ts "$timestamp")
  rm -f "$work/signed.exe"
  if ! osslsigncode "${args[@]}" -in "$input" -out "$work/signed.exe" >"$work/sign.out" 2>&1; then
    cat "$work/sign.out" >&2
    fail "signing failed: $file"
  fi
  cp "$work/signed.exe" "$file"
  rm -f "$work/unsigned.exe"
}

verify_one() {
  local file=$1
  if ! osslsigncode verify -CAfile "$ca_file" -in "$file" >"$work/verify.out" 2>&1; then
    cat "$work/verify.out" >&2
    fail "the signature does not verify: $file"
  fi
}

for program in "${programs[@]}"; do
  sign_one "$dist/$program"
done
# The template's programs are the release folder's, byte for byte.
for program in tarvel.exe uninst.exe; do
  if [ -d "$dist/template/setup" ]; then
    cp "$dist/$program" "$dist/template/setup/$program"
  fi
done

echo "signed by: $subject"
echo "description: $name${url:+, $url}"
echo "digest: SHA-256${timestamp:+, timestamped by $timestamp}"
for file in "${programs[@]/#/$dist/}" "$dist/template/setup/tarvel.exe" "$dist/template/setup/uninst.exe"; do
  [ -f "$file" ] || continue
  verify_one "$file"
  echo "signed and verified: ${file#"$dist"/}"
done
