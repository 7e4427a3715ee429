#!/usr/bin/env bash
# Takes the pictures in docs/screenshots/ of an interactive install: the
# install-folder dialog with its banner, the folder browser with its edit box,
# the status dialog during the copy and the end dialog; then of the
# uninstall of that install: the question, the progress window during the
# removal and the end message.
#
#   tools/screenshots.sh [BUILD_DIR]      (default: build)
#
# The test prefix runs Wine's null display driver, which draws nothing, so the
# pictures come from a prefix of their own (BUILD_DIR/shots-prefix, made once)
# with the X11 driver and a Wine virtual desktop, under a private Xvfb server.
# Needs xvfb-run, imagemagick, fonts-ipafont-gothic and fonts-wine (Wine's
# symbol font: without it a title bar's close box shows an "r"); tools/setup.sh
# installs what is missing.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${TARVEL_SHOTS_XVFB:-}" ] && ! dpkg-query -W -f='${Status}' fonts-wine 2>/dev/null | grep -q 'install ok installed'; then
  bash "$here/tools/setup.sh"
fi
build=$(cd "${1:-$here/build}" && pwd)
width=800 height=600

if [ -z "${TARVEL_SHOTS_XVFB:-}" ]; then
  export TARVEL_SHOTS_XVFB=1
  exec xvfb-run -a -s "-screen 0 ${width}x${height}x24" "$0" "$build"
fi

export WINEPREFIX=${TARVEL_SHOTS_PREFIX:-$build/shots-prefix}
export WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
out=$here/docs/screenshots
work=$(mktemp -d)
mkdir -p "$out"

if [ ! -f "$WINEPREFIX/.tarvel-shots-ready" ]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  # Every window inside one desktop window that Wine frames itself: the
  # pictures look the same with or without a window manager.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${width}x${height}" /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.tarvel-shots-ready"
fi
# This Wine draws the caption buttons with Marlett but does not take the
# TrueType fonts of its own data folder; from the prefix's Fonts folder it does.
if [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi

wineserver -p
# Ends whatever still runs in this prefix (a run left half-way by a failure).
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The dialog driver; its output goes through a file, since a pipe would stay
# open as long as the installer it started runs.
drive() {
  wine "$build/tests/dlgdriver.exe" "$@" >"$work/out" 2>&1 </dev/null || { tr -d '\r' <"$work/out"; return 1; }
  tr -d '\r' <"$work/out"
}
shot() {
  import -window root "$out/$1.png"
  echo "docs/screenshots/$1.png"
}
# The first visible dialog of the program $pid whose description matches.
wait_for() {
  local pattern=$1 tries=0 hwnd
  while [ $tries -lt 1500 ]; do
    for hwnd in $(drive list --pid "$pid" | awk '$2 == "#32770" {print $1}'); do
      if drive show --hwnd "$hwnd" | grep -q -- "$pattern"; then
        echo "$hwnd"
        return 0
      fi
    done
    tries=$((tries + 1))
  done
  echo "no window like '$pattern'" >&2
  return 1
}

# --- the package -----------------------------------------------------------------
package=$WINEPREFIX/drive_c/TarvelShots
rm -rf "$package" "$WINEPREFIX/drive_c/Program Files (x86)/Zerdane"
mkdir -p "$package/setup" "$package/GUIDE"
cp "$build/tarvel.exe" "$build/uninst.exe" "$package/setup/"
cp "$here/src/res/tarvel.ico" "$package/setup/guide.ico"
convert -size 420x64 gradient:'#1a4f8b'-'#6fa8dc' \
  -font /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf -fill white -pointsize 30 \
  -annotate +18+44 'Zerdane ガイド 2.1' -type TrueColor "BMP3:$package/setup/banner.bmp"
# Enough pages that the copy stays on screen for a picture.
for chapter in $(seq 1 40); do
  mkdir -p "$package/GUIDE/chapter$chapter"
  for page in $(seq 1 40); do
    echo "<html><body>Chapter $chapter, page $page</body></html>" >"$package/GUIDE/chapter$chapter/page$page.htm"
  done
done
iconv -f UTF-8 -t CP932 <<'EOF' | sed 's/$/\r/' >"$package/setup/tarvel.eif"
[INSTALL]
CAPTION=Zerdane ガイド セットアップ
APPPATH_BASE=Zerdane\ガイド
MSG_FOLDER_SEL=Zerdane ガイドを次のフォルダにインストールします。よろしければ [OK] を押してください。別のフォルダにインストールするときは [参照] を押してください。
FOLDER_TITLE=インストール先のフォルダ
BUTTON_OK=OK
BUTTON_CANCEL=キャンセル
BUTTON_REF=参照...
MSG_SELECT_FOLDER=インストール先のフォルダを選んでください。
MAKE_FOLDER_CONF=フォルダがありません。作成しますか?
MSG_COPY_FILE=ファイルをコピーしています...
MSG_INSTALL_END=Zerdane ガイドのインストールが終わりました。
BACKGROUND_FILE=banner.bmp
DATA_PATH=GUIDE
ICON_NAME=guide.ico
PROGRAM_FOLDER_NAME=Zerdane ガイド
SHORTCUT_NAME=ガイド
UNINSTALL_NAME=Zerdane ガイド
PRODUCT_NUM=0
REG_LIBFILE1=NONE
FLAG_DESKTOP_ICON=FALSE
[UNINSTALL]
UNINSTALL_FILE=uninst.exe
UNINSTALL_KEY=TarvelShotsGuide
[ERROR]
ERR_SEL_FOL_INVALID=フォルダ名が正しくありません。
ERR_MES_WRITE_ERROR=フォルダを作成できません。
ERR_MES_FILE_NOT_EXIST=ファイルが見つかりません。
ERR_MES_ERROR_OCCURRED=エラーが発生しました。
ERR_MES_COPY_ERROR=ファイルをコピーできません。
ERR_MES_NOSPACE=ディスクの空き容量が足りません。
ERR_MES_USER_CANCEL=インストールを中止しました。
EOF

# --- the run ---------------------------------------------------------------------
pid=$(drive start --cwd 'C:\TarvelShots\setup' 'C:\TarvelShots\setup\tarvel.exe')
dialog=$(wait_for '\[1006\]')
sleep 1 # the dialog paints its banner once it is idle
shot install-folder

drive click --hwnd "$dialog" --id 1000
browser=$(wait_for '\[14148\]')
sleep 1
shot folder-browser
drive click --hwnd "$browser" --id 2

drive click --hwnd "$dialog" --id 1
question=$(wait_for '\[7\]')
drive click --hwnd "$question" --id 6
wait_for 'msctls_progress32' >/dev/null
shot status

end=$(wait_for 'インストールが終わりました')
sleep 1
shot end
drive click --hwnd "$end" --id 1
drive waitexit --pid "$pid" --timeout 30

# --- the uninstall, as the list of installed software starts it --------------------
pid=$(drive start --cwd 'C:\' 'C:\Program Files (x86)\Zerdane\ガイド\uninst.exe')
question=$(wait_for '\[7\]')
sleep 1
shot uninstall-confirm
drive click --hwnd "$question" --id 6
wait_for 'msctls_progress32' >/dev/null
shot uninstall-progress

end=$(wait_for '削除が完了しました')
sleep 1
shot uninstall-end
drive click --hwnd "$end" --id 1
drive waitexit --pid "$pid" --timeout 30
