#!/usr/bin/env bash
# The release folder's package template passes the checker of the same
# folder, with the uninstaller the release folder ships in it.
# Usage: check-template.sh BUILD_DIR DIST_DIR
set -euo pipefail
build_dir=$1 dist_dir=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

cmake --build "$build_dir" --target dist >/dev/null
for item in tarvel.exe tarvelchk.exe uninst.exe docs/setup-script.md template/setup/tarvel.exe \
            template/setup/uninst.exe template/setup/tarvel.eif; do
  [ -e "$dist_dir/$item" ] || { echo "the release folder lacks $item"; exit 1; }
done
if iconv -f UTF-8 -t UTF-8 "$dist_dir/template/setup/tarvel.eif" >/dev/null 2>&1; then
  echo "the template's script is not in Shift-JIS"; exit 1
fi

package=$(mktemp -d)
trap 'rm -rf "$package"' EXIT
cp -r "$dist_dir/template/." "$package/"
# Through a file, not a pipe: a Wine helper started meanwhile may hold a pipe open.
set +e
"$here/tools/wine-run.sh" "$dist_dir/tarvelchk.exe" --werror "$package/setup" </dev/null >"$package/verdict" 2>&1
status=$?
set -e
iconv -f CP932 -t UTF-8 "$package/verdict"
exit $status
