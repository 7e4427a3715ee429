#!/usr/bin/env bash
# Creates (once) the project-local Wine prefix: Japanese locale (code page 932),
# or the locale TARVEL_PREFIX_LANG names (en_US.UTF-8: code page 1252), the
# null display driver so that dialogs and message boxes run headless, and no
# menu builder, so created shortcuts stay inside the prefix.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${TARVEL_PREFIX:-$here/build/wineprefix}
export WINEDEBUG=-all
source "$here/tools/prefix-locale.sh"
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
unset DISPLAY

# Wine links the user's Desktop, Documents, Downloads, ... to the Unix home
# folder. A test that deletes below one of them (a planted fault, a wrong
# path) would delete the home folder's own files, and an old-style desktop
# link would land there: they become real folders inside the prefix. Done on
# every call, for prefixes made before this step existed too.
keep_home_out() {
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm "$link" && mkdir -p "$link"; fi
  done
}

if [ -f "$WINEPREFIX/.tarvel-ready" ]; then keep_home_out; exit 0; fi
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w
keep_home_out
touch "$WINEPREFIX/.tarvel-ready"
echo "Wine prefix ready: $WINEPREFIX"
