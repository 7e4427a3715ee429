#!/usr/bin/env bash
# From a fresh Debian machine to an install of a package under Wine:
#
#   bash tools/run-sample.sh [PACKAGE_FOLDER] [MODE]
#
# PACKAGE_FOLDER is a package laid out as sample/ is (setup/ with the script,
# icon and uninstaller; data folders beside it); the default is the sample.
# Its script may be setup/tarvel.eif in Shift-JIS, or setup/tarvel.eif.utf8 in
# UTF-8 (stored in Shift-JIS with CR LF line ends for the run). MODE is /PSM
# (silent, the default), /WD (half-silent) or interactive; the dialog driver
# answers every dialog with OK, and Yes where it asks.
#
# Installs what is missing, builds, copies the package onto the prefix's C: drive
# as C:\tarvel-sample with the build's tarvel.exe in its setup folder, shows the
# package checker's verdict and its winget manifest, runs the installer and
# prints what happened: the exit code, every window and message box, the
# installed files, the shortcuts, the registry values (the whole uninstall
# entry) and the decoded uninstall log; then runs the installed
# uninstaller in the same mode and shows that nothing is left. Fails only when the
# set-up or the build fails, or the package folder is not one.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/run-common.sh"

source_package=$(cd "${1:-$here/sample}" && pwd)
mode=${2:-/PSM}
case "$mode" in
  /PSM|/psm|/WD|/wd) tail=$mode ;;
  interactive) tail= ;; # the driver then answers Yes to the folder question
  *) echo "usage: $0 [PACKAGE_FOLDER] [/PSM|/WD|interactive]" >&2; exit 2 ;;
esac
if [ ! -f "$source_package/setup/tarvel.eif" ] && [ ! -f "$source_package/setup/tarvel.eif.utf8" ]; then
  echo "$source_package is no package: it has no setup/tarvel.eif" >&2
  exit 2
fi

setup_and_build
make_prefix
start_wineservers

drive_c=$TARVEL_PREFIX/drive_c
package=$drive_c/tarvel-sample
wine_run() { "$here/tools/wine-run.sh" "$@" </dev/null; }
# reg.exe prints in the prefix's code page when its output is a pipe; the
# checker prints UTF-8 there.
from_cp932() { iconv -f CP932 -t UTF-8 | tr -d '\r'; }
reg_query() { wine_run reg query "$@" /s /reg:32 2>/dev/null | from_cp932; }

step "staging $source_package as C:\\tarvel-sample"
rm -rf "$package"
mkdir -p "$package"
cp -r "$source_package/." "$package/"
if [ -f "$package/setup/tarvel.eif.utf8" ]; then
  # The installer reads its script in the ANSI code page with CR LF line ends.
  [ -f "$package/setup/tarvel.eif" ] ||
    sed 's/\r$//; s/$/\r/' "$package/setup/tarvel.eif.utf8" | iconv -f UTF-8 -t CP932 >"$package/setup/tarvel.eif"
  rm -f "$package/setup/tarvel.eif.utf8"
fi
cp "$build_dir/tarvel.exe" "$package/setup/tarvel.exe"

# The script's first value of a key in a section, as the installer finds it
# (exact names; the value as written, in UTF-8 here).
script_utf8=$(iconv -f CP932 -t UTF-8 "$package/setup/tarvel.eif" 2>/dev/null | tr -d '\r' || true)
value() {
  printf '%s\n' "$script_utf8" | awk -v sec="$1" -v key="$2" '
    { sub(/^ +/, "") }
    /^[^=;]*\[/ { s = $0; sub(/^[^[]*\[/, "", s); if (index(s, "]")) current = substr(s, 1, index(s, "]") - 1); next }
    current == sec { k = $0; if (index(k, "=") == 0) next; v = substr(k, index(k, "=") + 1); k = substr(k, 1, index(k, "=") - 1)
                     sub(/ .*/, "", k); if (k == key) { print v; exit } }'
}
app_path_base=$(value INSTALL APPPATH_BASE)
menu_folder=$(value INSTALL PROGRAM_FOLDER_NAME)
shortcut_name=$(value INSTALL SHORTCUT_NAME)
company=$(value INSTALL COMPANY_NAME)
uninstall_key_name=$(value UNINSTALL UNINSTALL_KEY)
uninstaller=$(value UNINSTALL UNINSTALL_FILE)

# The package ships the build's uninstaller (the sample names uninst.exe).
uninstaller_path="$package/setup/${uninstaller//\\//}"
if [ -n "$uninstaller" ] && [ ! -e "$uninstaller_path" ]; then
  mkdir -p "$(dirname "$uninstaller_path")"
  cp "$build_dir/uninst.exe" "$uninstaller_path"
  echo "  (no $uninstaller in the package: the build's uninst.exe is used)"
fi
(cd "$package" && find . | sort | sed 's/^\.\///;/^\.$/d;s/^/  /')

program_files=$(wine_run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir /reg:32 2>/dev/null |
  from_cp932 | awk '/ProgramFilesDir/ { sub(/.*REG_SZ +/, ""); print; exit }' || true)
program_files=${program_files:-C:\\Program Files (x86)}
dest_win="${program_files%\\}\\${app_path_base#\\}"
dest=$drive_c/${dest_win#C:\\}
dest=${dest//\\//}
programs="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
desktop="$drive_c/users/Public/Desktop"

step "tarvelchk C:\\tarvel-sample\\setup"
# Through a file, not a pipe: a Wine helper started meanwhile may hold a pipe open.
verdict=$(mktemp)
trap 'rm -f "$verdict"' EXIT
set +e
wine_run "$build_dir/tarvelchk.exe" 'C:\tarvel-sample\setup' >"$verdict" 2>&1
check_status=$?
set -e
tr -d '\r' <"$verdict" | sed 's/^/  /'
echo "  (tarvelchk exit code $check_status: 0 no errors, 1 errors, 2 unreadable)"
check_errors=$(tr -d '\r' <"$verdict" | grep -E '^tarvel(\.eif|chk)[^ ]*: error: ' || true)
# Limits that Windows enforces and Wine does not: an install that the checker
# rejects for them may still end well here.
wine_lenient=$(printf '%s\n' "$check_errors" | grep -oE '\[(path-too-long)\]' | sort -u | tr '\n' ' ' || true)
if [ -n "$check_errors" ]; then
  echo
  echo "  !! THE CHECKER REJECTS THIS PACKAGE; on Windows the install below fails or goes wrong:"
  printf '%s\n' "$check_errors" | sed 's/^/  !! /'
  [ -n "$wine_lenient" ] &&
    echo "  !! (${wine_lenient% }: a limit of Windows that Wine does not enforce, so Wine may install it all the same)"
fi

step "tarvelchk --winget C:\\tarvel-sample\\setup (the winget installer manifest, UTF-8)"
set +e
wine_run "$build_dir/tarvelchk.exe" --winget 'C:\tarvel-sample\setup' 2>&1 | tr -d '\r' | sed 's/^/  /'
set -e

step "removing an earlier install of this package"
# Only what the script names: an empty name would reach the parent key or folder.
[ -n "$app_path_base" ] && rm -rf "$dest"
[ -n "$menu_folder" ] && rm -rf "$programs/$menu_folder"
[ -n "$shortcut_name" ] && rm -f "$desktop/$shortcut_name.lnk"
if [ -n "$uninstall_key_name" ]; then
  wine_run reg delete "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$uninstall_key_name" /f /reg:32 >/dev/null 2>&1 || true
fi
[ -n "$company" ] && { wine_run reg delete "HKLM\\Software\\$company" /f /reg:32 >/dev/null 2>&1 || true; }

step "running C:\\tarvel-sample\\setup\\tarvel.exe ${tail:-(interactive)}"
set +e
wine_run "$build_dir/tests/dlgdriver.exe" run --timeout 300 --yes --cwd 'C:\tarvel-sample\setup' \
  'C:\tarvel-sample\setup\tarvel.exe' $tail
status=$?
set -e
echo "(dlgdriver exit status $status)"
if [ -n "$wine_lenient" ] && [ "$status" = 0 ]; then
  echo "(exit code 0 under Wine only: the checker's ${wine_lenient% } is a limit of Windows that Wine does not enforce)"
fi

step "installed files in $dest_win"
if [ -n "$app_path_base" ] && [ -d "$dest" ]; then
  (cd "$dest" && find . -mindepth 1 | sort | while read -r f; do
    if [ -d "$f" ]; then echo "  ${f#./}/"; else printf '  %-40s %8d bytes\n' "${f#./}" "$(stat -c %s "$f")"; fi
  done)
else
  echo "  (none: the destination folder does not exist)"
fi

step "shortcuts"
find "$programs" "$desktop" -name '*.lnk' -newer "$package/setup/tarvel.exe" 2>/dev/null |
  sed "s|^$drive_c/|  C:/|" || true

step "registry (32-bit view)"
if [ -n "$uninstall_key_name" ]; then
  reg_query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$uninstall_key_name" || echo "  (no uninstall key)"
fi
if [ -n "$company" ]; then
  reg_query "HKLM\\Software\\$company" || echo "  (no product key)"
fi

step "setupf.cfn, decoded (every byte + 1)"
if [ -n "$app_path_base" ] && [ -f "$dest/setupf.cfn" ]; then
  perl -0777 -pe 'tr/\x00-\xff/\x01-\xff\x00/' "$dest/setupf.cfn" | iconv -f CP932 -t UTF-8 | sed 's/? /\n/g' | sed 's/^/  /'
else
  echo "  (no setupf.cfn)"
fi

# The uninstaller as the list of installed software starts it, from the
# destination; it removes itself through a copy in a folder of its own
# under the temporary folder, which goes with it.
installed_uninstaller="$dest/$(basename "${uninstaller//\\//}")"
uninstall_status=-
if [ -n "$app_path_base" ] && [ -f "$installed_uninstaller" ]; then
  step "running ${dest_win}\\$(basename "${uninstaller//\\//}") ${tail:-(interactive)}"
  set +e
  wine_run "$build_dir/tests/dlgdriver.exe" run --timeout 300 --yes --cwd 'C:\' \
    "$dest_win\\$(basename "${uninstaller//\\//}")" $tail
  uninstall_status=$?
  set -e
  echo "(dlgdriver exit status $uninstall_status)"
  # The copy that removes the uninstaller ends a moment after it.
  for _ in $(seq 1 100); do
    [ -e "$installed_uninstaller" ] || ls -d "$drive_c"/users/*/Temp/tvuninst-* >/dev/null 2>&1 || break
    sleep 0.1
  done

  step "what is left after the uninstall"
  left=0
  if [ -e "$dest" ]; then (cd "$dest" && find . | sed 's/^/  destination: /'); left=1; fi
  if [ -n "$menu_folder" ] && [ -e "$programs/$menu_folder" ]; then echo "  Start menu: $menu_folder"; left=1; fi
  if [ -n "$shortcut_name" ] && [ -e "$desktop/$shortcut_name.lnk" ]; then echo "  desktop: $shortcut_name.lnk"; left=1; fi
  if [ -n "$uninstall_key_name" ] && reg_query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$uninstall_key_name" | grep -q .; then
    echo "  registry: Uninstall\\$uninstall_key_name"; left=1
  fi
  if [ -n "$company" ] && reg_query "HKLM\\Software\\$company" | grep -q .; then echo "  registry: Software\\$company"; left=1; fi
  if ls -d "$drive_c"/users/*/Temp/tvuninst-* >/dev/null 2>&1; then echo "  temporary copy of the uninstaller"; left=1; fi
  [ $left = 0 ] && echo "  nothing: files, links, registry keys and the uninstaller's copy are gone"
fi

step "done: tarvelchk exit code $check_status, tarvel.exe exit code $status, uninstaller exit code $uninstall_status"
if [ -n "$check_errors" ]; then
  echo "  the checker rejects the package:"
  printf '%s\n' "$check_errors" | sed 's/^/    /'
  [ -n "$wine_lenient" ] &&
    echo "  tarvel.exe exit code $status is Wine's: ${wine_lenient% } is a limit of Windows that Wine does not enforce"
fi
exit 0
