#!/usr/bin/env bash
# Signing a release folder: a throw-away certificate made with openssl,
# tools/sign.sh on a copy of the release folder, every signed program
# accepted by osslsigncode against that certificate, the clear refusals of a
# wrong password and a missing folder, and the signed installer and
# uninstaller still installing and removing the template package under Wine.
# Usage: sign-kit.sh BUILD_DIR DIST_DIR
set -euo pipefail
build_dir=$1 dist_dir=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d)
drive_c=${TARVEL_PREFIX:?the test runs in a lane\'s prefix}/drive_c
package_win='C:\tarvel-sign-kit'
package=$drive_c/tarvel-sign-kit
cleanup() { rm -rf "$work" "$package"; }
trap cleanup EXIT

cmake --build "$build_dir" --target dist >/dev/null
cp -r "$dist_dir" "$work/dist"

# A code-signing certificate of its own, trusted by nobody but this test.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Tarvel Kit Test/O=Zerdane Test" -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1
printf 'kit password\n' >"$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/kit.pfx" \
  -passout "file:$work/password" >/dev/null 2>&1

# The refusals first: nothing may be signed by them.
printf 'not it\n' >"$work/wrong"
if "$here/tools/sign.sh" --pfx "$work/kit.pfx" --password-file "$work/wrong" "$work/dist" >"$work/out" 2>&1; then
  fail "a wrong password was taken"
fi
grep -q "wrong password" "$work/out" || fail "no clear word about the password: $(cat "$work/out")"
if "$here/tools/sign.sh" --pfx "$work/kit.pfx" --password-file "$work/password" "$work/none" >"$work/out" 2>&1; then
  fail "a missing folder was taken"
fi
grep -q "no release folder" "$work/out" || fail "no clear word about the folder: $(cat "$work/out")"
if "$here/tools/sign.sh" --pfx "$work/none.pfx" "$work/dist" >"$work/out" 2>&1; then
  fail "a missing certificate was taken"
fi
grep -q "no certificate file" "$work/out" || fail "no clear word about the certificate: $(cat "$work/out")"
osslsigncode extract-signature -in "$work/dist/tarvel.exe" -out "$work/none.sig" >/dev/null 2>&1 &&
  fail "a refused run signed tarvel.exe"

"$here/tools/sign.sh" --pfx "$work/kit.pfx" --password-file "$work/password" "$work/dist" >"$work/out" 2>&1 ||
  fail "signing failed: $(cat "$work/out")"
cat "$work/out"
signed=(tarvel.exe uninst.exe tarvelchk.exe template/setup/tarvel.exe template/setup/uninst.exe)
for file in "${signed[@]}"; do
  grep -q "signed and verified: $file\$" "$work/out" || fail "sign.sh does not name $file"
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/dist/$file" >"$work/verify" 2>&1 ||
    fail "$file does not verify: $(cat "$work/verify")"
  grep -q "Message digest algorithm *: SHA256" "$work/verify" || fail "$file is not signed with SHA-256"
done
cmp -s "$work/dist/tarvel.exe" "$work/dist/template/setup/tarvel.exe" || fail "the template's installer is another"

# Signed twice: the signature is replaced, not added to.
"$here/tools/sign.sh" --pfx "$work/kit.pfx" --password-file "$work/password" "$work/dist" >"$work/out" 2>&1 ||
  fail "signing again failed: $(cat "$work/out")"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/dist/uninst.exe" >"$work/verify" 2>&1 ||
  fail "uninst.exe signed twice does not verify"
grep -q "Number of verified signatures: 1" "$work/verify" || fail "signed twice: $(cat "$work/verify")"

# --- the signed programs at work under Wine ---------------------------------
wine_run() { "$here/tools/wine-run.sh" "$@" </dev/null; }
from_cp932() { iconv -f CP932 -t UTF-8 | tr -d '\r'; }
program_files=$(wine_run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir /reg:32 2>/dev/null |
  from_cp932 | awk '/ProgramFilesDir/ { sub(/.*REG_SZ +/, ""); print; exit }' || true)
[ -n "$program_files" ] || fail "the prefix names no program-files folder"
dest_win="${program_files%\\}\\Zerdane\\Sample Guide"
dest=$drive_c/${dest_win#C:\\}
dest=${dest//\\//}
rm -rf "$dest" "$package"
cp -r "$work/dist/template" "$package"

# The checker sees both programs signed, and no half-signed package.
wine_run "$work/dist/tarvelchk.exe" "$package_win\\setup" >"$work/verdict" 2>&1 || true
from_cp932 <"$work/verdict" >"$work/verdict.txt"
[ "$(grep -c 'carries an Authenticode signature' "$work/verdict.txt")" = 2 ] ||
  fail "the checker does not see both signatures: $(cat "$work/verdict.txt")"
grep -q 'signature-mismatch' "$work/verdict.txt" && fail "the checker warns of a mismatch: $(cat "$work/verdict.txt")"

wine_run "$build_dir/tests/dlgdriver.exe" run --timeout 300 --yes --cwd "$package_win\\setup" \
  "$package_win\\setup\\tarvel.exe" /PSM >"$work/install" 2>&1 || true
grep -q "exit code: 0" "$work/install" || fail "the signed installer did not install: $(from_cp932 <"$work/install")"
[ -f "$dest/uninst.exe" ] || fail "nothing installed in $dest_win"
osslsigncode verify -CAfile "$work/cert.pem" -in "$dest/uninst.exe" >/dev/null 2>&1 ||
  fail "the installed uninstaller lost its signature"

wine_run "$build_dir/tests/dlgdriver.exe" run --timeout 300 --yes --cwd 'C:\' "$dest_win\\uninst.exe" /PSM \
  >"$work/uninstall" 2>&1 || true
grep -q "exit code: 0" "$work/uninstall" || fail "the signed uninstaller did not remove: $(from_cp932 <"$work/uninstall")"
# The copy that removes the uninstaller ends a moment after it.
for _ in $(seq 1 200); do
  [ -e "$dest" ] || break
  sleep 0.1
done
[ ! -e "$dest" ] || fail "the installation is still there: $(ls -R "$dest")"
echo "signed, verified, installed and removed"
