#!/usr/bin/env bash
# Runs a Windows program under Wine in the project-local prefix.
# TARVEL_PREFIX overrides the prefix; the default lives under build/.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${TARVEL_PREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}
source "$here/tools/prefix-locale.sh"
unset DISPLAY
exec wine "$@"
