#!/usr/bin/env bash
# A Shift-JIS package with Japanese names, installed and removed under Wine in
# a prefix whose locale is English (code page 1252), as on a Windows whose
# system locale is not Japanese. The programs' manifests ask for code page
# 932, so every name must come out whole: files and folders (one name ends in
# 表, whose second byte is 0x5C, the backslash), the Start-menu folder and
# link, the uninstall entry's display name; and the uninstaller must leave no
# trace.
# Usage: english-locale.sh BUILD_DIR
set -euo pipefail
build_dir=$(cd "$1" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export TARVEL_PREFIX=$build_dir/wineprefix.en TARVEL_PREFIX_LANG=en_US.UTF-8
prefix=$TARVEL_PREFIX
bash "$here/tools/make-prefix.sh" >/dev/null
WINEPREFIX=$prefix wineserver -p60
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# A program that waits at a box nobody answers is ended, not waited for.
wine_run() { timeout 120 "$here/tools/wine-run.sh" "$@" </dev/null; }

drive_c=$prefix/drive_c
package=$drive_c/tarvel-english
installed=$drive_c/Program\ Files\ \(x86\)/Zerdane/図表ガイド
menu=$drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/ラクラク図表
entry='HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Zerdane Sample Guide'

acp=$(wine_run reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP 2>/dev/null | tr -d '\r' | awk '/ACP/ {print $3}')
[ "$acp" = 1252 ] || fail "the prefix's code page is $acp, not 1252"

# The sample, with Japanese names where the trail byte 0x5C can cut one.
rm -rf "$package"
mkdir -p "$package"
cp -r "$here/sample/." "$package/"
mkdir -p "$package/GUIDE/図表"
printf 'list' > "$package/GUIDE/図表/一覧表.htm"
sed -e 's/^APPPATH_BASE=.*/APPPATH_BASE=Zerdane\\図表ガイド/' \
    -e 's/^PROGRAM_FOLDER_NAME=.*/PROGRAM_FOLDER_NAME=ラクラク図表/' \
    -e 's/^SHORTCUT_NAME=.*/SHORTCUT_NAME=図表ガイドを表示/' \
    -e 's/^UNINSTALL_NAME=.*/UNINSTALL_NAME=ラクラク図表/' \
    -e 's/$/\r/' "$here/sample/setup/tarvel.eif.utf8" | iconv -f UTF-8 -t CP932 > "$package/setup/tarvel.eif"
rm "$package/setup/tarvel.eif.utf8"
cp "$build_dir/tarvel.exe" "$build_dir/uninst.exe" "$package/setup/"

# A key with its values and sub-keys in UTF-8 (reg.exe's output is in the
# prefix's code page; regedit writes UTF-16), nothing when it is missing.
export_key() {
  rm -f "$drive_c/key.reg"
  if wine_run regedit /E 'C:\key.reg' "$1" >/dev/null 2>&1 && [ -f "$drive_c/key.reg" ]; then
    iconv -f UTF-16 -t UTF-8 "$drive_c/key.reg" | tr -d '\r' | grep -v '^Windows Registry Editor'
  fi
  rm -f "$drive_c/key.reg"
}

# Everything on C: but the temporary folders and the package itself, and the
# registry keys an install writes to.
machine_state() {
  (cd "$drive_c" && find . -path ./tarvel-english -prune -o -path './users/*/Temp' -prune \
     -o -path './windows/temp' -prune -o -path './windows/logs' -prune -o -print | sort)
  export_key "$entry"
  export_key 'HKEY_LOCAL_MACHINE\Software\Wow6432Node\Zerdane'
}
before=$(machine_state)

cd "$package/setup"
set +e
wine_run 'C:\tarvel-english\setup\tarvel.exe' /PSM
status=$?
set -e
[ "$status" = 0 ] || fail "tarvel.exe /PSM ended with exit code $status"

[ "$(cat "$installed/図表/一覧表.htm" 2>/dev/null)" = list ] || fail "図表\\一覧表.htm is not installed whole"
[ -f "$installed/index.htm" ] || fail "index.htm is not installed"
[ -f "$menu/図表ガイドを表示.lnk" ] || fail "the Start-menu folder ラクラク図表 or its link is not whole"
export_key "$entry" | grep -qx '"DisplayName"="ラクラク図表"' || fail "the uninstall entry's display name is not ラクラク図表"

cd "$drive_c"
set +e
wine_run 'C:\Program Files (x86)\Zerdane\図表ガイド\uninst.exe' /PSM
status=$?
set -e
[ "$status" = 0 ] || fail "uninst.exe /PSM ended with exit code $status"
# The clean-up copy takes the uninstaller and its folder after the uninstaller ended.
for _ in $(seq 100); do [ -e "$installed" ] || break; sleep 0.2; done
after=$(machine_state)
if [ "$before" != "$after" ]; then
  fail "the machine differs after the uninstall:"
  diff <(echo "$before") <(echo "$after") | sed 's/^/  /' | head -20
fi

rm -rf "$package"
if [ "$failures" -gt 0 ]; then
  echo "$failures checks failed"
  exit 1
fi
echo "the package installed with every name whole under code page 1252 and was removed without a trace"
