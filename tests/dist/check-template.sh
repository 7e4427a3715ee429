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
# Shipped stripped, while the build's programs keep their symbols for the tests.
for program in tarvel.exe tarvelchk.exe uninst.exe template/setup/tarvel.exe template/setup/uninst.exe; do
  if [ -n "$(i686-w64-mingw32-nm "$dist_dir/$program" 2>/dev/null)" ]; then
    echo "$program in the release folder is not stripped"; exit 1
  fi
done
if [ -z "$(i686-w64-mingw32-nm "$build_dir/tarvel.exe" 2>/dev/null)" ]; then
  echo "the build's tarvel.exe lost its symbols"; exit 1
fi
# Every relative link and picture of the documents is there.
for doc in "$dist_dir"/docs/*.md; do
  while read -r target; do
    case "$target" in http*|\#*|mailto:*) continue ;; esac
    [ -e "$(dirname "$doc")/${target%%#*}" ] || { echo "$(basename "$doc") links to $target, which is not there"; exit 1; }
  done < <(grep -o '](\([^)]*\))' "$doc" | sed 's/^](//; s/)$//')
done

package=$(mktemp -d)
trap 'rm -rf "$package"' EXIT
cp -r "$dist_dir/template/." "$package/"
# Through a file, not a pipe: a Wine helper started meanwhile may hold a pipe open.
set +e
"$here/tools/wine-run.sh" "$dist_dir/tarvelchk.exe" --werror "$package/setup" </dev/null >"$package/verdict" 2>&1
status=$?
set -e
cat "$package/verdict"
# The banner at the size the dialog shows it on Japanese Windows at 96 DPI
# (Wine's font makes the box 6 pixels higher: a note there, never a warning).
size=$(od -An -tu4 -j18 -N8 "$dist_dir/template/setup/banner.bmp" | awk '{ print $1 "x" $2 }')
if [ "$size" != 452x72 ]; then
  echo "the template's banner is $size pixels, not the 452x72 the dialog shows"; exit 1
fi
exit $status
