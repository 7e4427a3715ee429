#!/usr/bin/env bash
# From a fresh Debian machine to a sample install: installs what is missing,
# builds, copies the sample package (sample/) onto the prefix's C: drive, runs
# "tarvel.exe /PSM" in its setup folder under Wine and prints what happened:
# the exit code, every message box, the installed files, the shortcuts, the
# registry values and the decoded uninstall log.
# Fails only when the set-up or the build fails; what the installer does is reported.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/run-common.sh"

setup_and_build
start_wineserver

drive_c=$TARVEL_PREFIX/drive_c
package=$drive_c/tarvel-sample
dest_rel="Program Files (x86)/Zerdane/Sample Guide" # from the sample's APPPATH_BASE
dest=$drive_c/$dest_rel
programs="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zerdane Sample Guide'
product_key='HKLM\Software\Zerdane'
wine_run() { "$here/tools/wine-run.sh" "$@" </dev/null; }
# reg.exe prints in the prefix's code page when its output is a pipe.
reg_query() { wine_run reg query "$@" /s /reg:32 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r'; }

step "staging the sample package as C:\\tarvel-sample"
rm -rf "$package"
mkdir -p "$package"
cp -r "$here/sample/." "$package/"
rm -f "$package/setup/tarvel.eif.utf8"
# The installer reads its script in the ANSI code page with CR LF line ends.
sed 's/$/\r/' "$here/sample/setup/tarvel.eif.utf8" | iconv -f UTF-8 -t CP932 >"$package/setup/tarvel.eif"
cp "$build_dir/tarvel.exe" "$package/setup/tarvel.exe"
cp "$build_dir/tests/uninst.exe" "$package/setup/uninst.exe"
(cd "$package" && find . | sort | sed 's/^\.\///;/^\.$/d;s/^/  /')

step "removing an earlier sample install"
rm -rf "$dest" "$programs/サンプルガイド" "$drive_c/users/Public/Desktop/サンプルガイドを表示.lnk"
wine_run reg delete "$uninstall_key" /f /reg:32 >/dev/null 2>&1 || true
wine_run reg delete "$product_key" /f /reg:32 >/dev/null 2>&1 || true

step "running C:\\tarvel-sample\\setup\\tarvel.exe /PSM"
set +e
wine_run "$build_dir/tests/dlgdriver.exe" run --timeout 300 --cwd 'C:\tarvel-sample\setup' \
  'C:\tarvel-sample\setup\tarvel.exe' '/PSM'
status=$?
set -e
echo "(dlgdriver exit status $status)"

step "installed files in C:\\${dest_rel//\//\\}"
if [ -d "$dest" ]; then
  (cd "$dest" && find . -mindepth 1 | sort | while read -r f; do
    if [ -d "$f" ]; then echo "  ${f#./}/"; else printf '  %-40s %8d bytes\n' "${f#./}" "$(stat -c %s "$f")"; fi
  done)
else
  echo "  (none: the destination folder does not exist)"
fi

step "shortcuts"
find "$programs" "$drive_c/users/Public/Desktop" -name '*.lnk' -newer "$package/setup/tarvel.exe" 2>/dev/null |
  sed "s|^$drive_c/|  C:/|" || true

step "registry (32-bit view)"
reg_query "$uninstall_key" || echo "  (no uninstall key)"
reg_query "$product_key" || echo "  (no product key)"

step "setupf.cfn, decoded (every byte + 1)"
if [ -f "$dest/setupf.cfn" ]; then
  perl -0777 -pe 'tr/\x00-\xff/\x01-\xff\x00/' "$dest/setupf.cfn" | iconv -f CP932 -t UTF-8 | sed 's/? /\n/g' | sed 's/^/  /'
else
  echo "  (no setupf.cfn)"
fi

step "done: tarvel.exe ended with exit code $status"
exit 0
