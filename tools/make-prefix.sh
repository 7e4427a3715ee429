#!/usr/bin/env bash
# Creates (once) the project-local Wine prefix: Japanese locale (code page 932),
# the null display driver so that dialogs and message boxes run headless, and
# no menu builder, so created shortcuts stay inside the prefix.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${TARVEL_PREFIX:-$here/build/wineprefix}
export WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
unset DISPLAY

if [ -f "$WINEPREFIX/.tarvel-ready" ]; then exit 0; fi
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w
touch "$WINEPREFIX/.tarvel-ready"
echo "Wine prefix ready: $WINEPREFIX"
