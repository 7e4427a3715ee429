#!/usr/bin/env bash
# The install benchmark: installs the same generated package with
# "tarvel.exe /PSM" (and once more with "/LOG", to show what the log costs), with the floor program (bench/floor.cpp: folders and
# CopyFileA, nothing else), with the GUI floor (the same plus the libraries,
# main window, shortcut and uninstall entry of any GUI installer) and with
# NSIS (default compression and stored),
# all under one Wine prefix, and prints medians and ratios. Also times Wine's
# start-up (bench/empty.cpp) and Tarvel's rollback after a cancel at the last
# item, and a re-install over an earlier installation of the same package
# (the earlier one made untimed just before). With BENCH_BEFORE=<an earlier
# tarvel.exe> that build is timed in the same rounds, fresh and re-installing.
# A benchmark, not a test: it fails only when a contestant does not
# install the package. docs/benchmarks.md explains the method and the figures.
#
# Needs root (it mounts a tmpfs) and installs NSIS if makensis is missing.
#   bash tools/benchmark.sh                 all four packages
#   BENCH_PACKAGES="files200 big20" bash tools/benchmark.sh
# Environment: TARVEL_BUILD_DIR (default build/), TARVEL_PREFIX (the prefix to
# copy, default <build>/wineprefix), BENCH_CPU (default 1), BENCH_ROUNDS (7),
# BENCH_ROUNDS_LARGE (5, for files20000), BENCH_ROLLBACK_ROUNDS (5),
# BENCH_OUT (results folder, default <build>/bench-results).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=$(realpath -m "${TARVEL_BUILD_DIR:-$here/build}")
base_prefix=${TARVEL_PREFIX:-$build_dir/wineprefix}
cpu=${BENCH_CPU:-1}
rounds=${BENCH_ROUNDS:-7}
rounds_large=${BENCH_ROUNDS_LARGE:-5}
rollback_rounds=${BENCH_ROLLBACK_ROUNDS:-5}
packages=${BENCH_PACKAGES:-files200 files2000 big20 files20000}
out=${BENCH_OUT:-$build_dir/bench-results}
work=$build_dir/bench-tmpfs
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi

# The median of a list of numbers separated by blanks, for the awk programs below.
awk_median='
    function median(list,    n, a, i, j, t) {
      n = split(list, a, " ")
      for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j > 0 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
      return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }'

# The table from the raw times (also: tools/benchmark.sh --summary DIR).
summarize() {
  awk -F'\t' -v rbfile="$2" "$awk_median"'
    { t[$1, $2, $3] = $4; if (!($1 in seen)) { seen[$1] = 1; order[++np] = $1 } if ($2 + 1 > nr[$1]) nr[$1] = $2 + 1 }
    END {
      while ((getline line < rbfile) > 0) { split(line, fld, "\t"); if (fld[3] != "missed") rb[fld[1]] = rb[fld[1]] " " fld[3] }
      printf "| package | empty | floor | GUI floor | tarvel | tarvel /LOG | NSIS default | NSIS stored | tarvel/floor | tarvel/floor, start-up off | tarvel/GUI floor, start-up off | tarvel/NSIS default | tarvel/NSIS stored | tarvel /LOG / tarvel, start-up off | rollback |\n"
      printf "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n"
      for (i = 1; i <= np; i++) {
        p = order[i]; e = f = g = tv = tl = rl = nd = ns = rf = rs = rg = rd = rn = ""
        for (r = 0; r < nr[p]; r++) {
          E = t[p, r, "empty"]; F = t[p, r, "floor"]; T = t[p, r, "tarvel"]; D = t[p, r, "nsis-default"]; S = t[p, r, "nsis-stored"]
          e = e " " E; f = f " " F; tv = tv " " T; nd = nd " " D; ns = ns " " S
          rf = rf " " T / F; rs = rs " " (T - E) / (F - E); rd = rd " " (T - E) / (D - E); rn = rn " " (T - E) / (S - E)
          # Results of runs before the GUI floor existed have no such times.
          if ((p, r, "floor-gui") in t) { G = t[p, r, "floor-gui"]; g = g " " G; rg = rg " " (T - E) / (G - E) }
          if ((p, r, "tarvel-log") in t) { L = t[p, r, "tarvel-log"]; tl = tl " " L; rl = rl " " (L - E) / (T - E) }
          net[p] = net[p] " " (T - E)
        }
        printf "| %s | %.0f ms | %.0f ms | %s | %.0f ms | %s | %.0f ms | %.0f ms | %.2f | %.2f | %s | %.2f | %.2f | %s | %s |\n", p,
          median(e), median(f), g == "" ? "-" : sprintf("%.0f ms", median(g)), median(tv),
          tl == "" ? "-" : sprintf("%.0f ms", median(tl)), median(nd), median(ns),
          median(rf), median(rs), rg == "" ? "-" : sprintf("%.2f", median(rg)), median(rd), median(rn),
          rl == "" ? "-" : sprintf("%.2f", median(rl)), (p in rb) ? sprintf("%.0f ms", median(rb[p])) : "-"
      }
      if (("files2000" in net) && ("files20000" in net))
        printf "\ntarvel, start-up off: files20000 / files2000 = %.2f\n", median(net["files20000"]) / median(net["files2000"])

      printf "\n| package | build | fresh install | re-install | re-install/fresh, start-up off |\n|---|---|---:|---:|---:|\n"
      for (i = 1; i <= np; i++) {
        p = order[i]
        split("tarvel before", builds, " ")
        for (b = 1; b <= 2; b++) {
          fresh = builds[b] == "tarvel" ? "tarvel" : "tarvel-before"
          again = fresh "-again"
          if (!((p, 0, again) in t)) continue
          a = fr = q = ""
          for (r = 0; r < nr[p]; r++) {
            E = t[p, r, "empty"]; F = t[p, r, fresh]; A = t[p, r, again]
            fr = fr " " F; a = a " " A; q = q " " (A - E) / (F - E)
          }
          printf "| %s | %s | %.0f ms | %.0f ms | %.2f |\n", p, builds[b] == "tarvel" ? "this" : "before", median(fr), median(a), median(q)
        }
      }
    }' "$1"
}
if [ "${1:-}" = --summary ]; then
  summarize "$2/times.tsv" "$2/rollback.tsv"
  exit 0
fi

step() { printf '\n== %s\n' "$*" >&2; }

# name: files bytes layout
declare -A shape=(
  [files200]="200 4096 flat"
  [files2000]="2000 4096 nested"
  [big20]="20 8388608 flat"
  [files20000]="20000 4096 nested"
)
for p in $packages; do
  [ -n "${shape[$p]:-}" ] || { echo "unknown package $p (known: ${!shape[*]})" >&2; exit 2; }
done

step "NSIS"
if ! command -v makensis >/dev/null; then
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends nsis </dev/null
fi
makensis -VERSION >&2; echo >&2

step "building tarvel.exe and the benchmark programs in $build_dir"
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" >/dev/null
fi
cmake --build "$build_dir" -j2 --target tarvel uninst >/dev/null
bin=$build_dir/bench
mkdir -p "$bin"
cxx="i686-w64-mingw32-g++-posix -O2 -std=c++17 -static -Wall"
$cxx -mwindows -o "$bin/floor.exe" "$here/bench/floor.cpp"
$cxx -mwindows -DGUI_FLOOR -o "$bin/floor-gui.exe" "$here/bench/floor.cpp" -lole32 -luuid -lshell32 -ladvapi32 -lgdi32
$cxx -mwindows -o "$bin/empty.exe" "$here/bench/empty.cpp"
$cxx -o "$bin/genpkg.exe" "$here/bench/genpkg.cpp"
$cxx -o "$bin/timer.exe" "$here/bench/timer.cpp" -lcomctl32

step "copying the Wine prefix onto a tmpfs"
TARVEL_PREFIX=$base_prefix bash "$here/tools/make-prefix.sh"
mkdir -p "$work" "$out"
cleanup() {
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  sleep 1
  $SUDO umount "$work" 2>/dev/null || true
}
trap cleanup EXIT
$SUDO mount -t tmpfs -o size=${BENCH_TMPFS_SIZE:-6g} tmpfs "$work"
cp -a "$base_prefix" "$work/prefix"
export TARVEL_PREFIX=$work/prefix WINEPREFIX=$work/prefix
drive_c=$work/prefix/drive_c
mkdir -p "$drive_c/bench/bin"
cp "$bin"/*.exe "$drive_c/bench/bin/"

# Every Wine process and the wineserver on one CPU: a wake-up across CPUs
# costs more than copying a small file.
pin() { taskset -c "$cpu" "$@"; }
wine_run() { pin "$here/tools/wine-run.sh" "$@" </dev/null; }
pin wineserver -p
wine_run cmd /c exit 0 >/dev/null 2>&1 || true

dest_rel="Program Files (x86)/TarvelBench"
programs="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/TarvelBench"
# The same for every contestant, outside the timed part.
clean_destination() { rm -rf "$drive_c/$dest_rel" "$programs"; }

step "generating the packages"
for p in $packages; do
  read -r files bytes layout <<<"${shape[$p]}"
  wine_run 'C:\bench\bin\genpkg.exe' "C:\\bench\\$p" "$p" "$files" "$bytes" "$layout" >&2
  pkg=$drive_c/bench/$p
  cp "$build_dir/tarvel.exe" "$build_dir/uninst.exe" "$here/sample/setup/guide.ico" "$pkg/setup/"
  (cd "$pkg" && makensis -V1 nsis-default.nsi >&2 && makensis -V1 nsis-stored.nsi >&2)
done

contestants=(empty floor floor-gui tarvel tarvel-again tarvel-log nsis-default nsis-stored)
if [ -n "${BENCH_BEFORE:-}" ]; then
  contestants+=(tarvel-before tarvel-before-again)
  for p in $packages; do cp "$BENCH_BEFORE" "$drive_c/bench/$p/setup/tarvel-before.exe"; done
fi
# One contestant: folder, program, command-line tail.
command_of() {
  local p=$1 who=$2 pkgw="C:\\bench\\$1" dest="C:\\Program Files (x86)\\TarvelBench\\$1"
  case $who in
    empty) echo "$pkgw\\setup|C:\\bench\\bin\\empty.exe|" ;;
    floor | floor-gui) echo "$pkgw\\setup|C:\\bench\\bin\\$who.exe|\"$pkgw\\manifest.txt\" \"$pkgw\" \"$dest\"" ;;
    tarvel | tarvel-again) echo "$pkgw\\setup|$pkgw\\setup\\tarvel.exe|/PSM" ;;
    tarvel-before | tarvel-before-again) echo "$pkgw\\setup|$pkgw\\setup\\tarvel-before.exe|/PSM" ;;
    # The log beside the package, on the same drive as the destination.
    tarvel-log) echo "$pkgw\\setup|$pkgw\\setup\\tarvel.exe|/PSM /LOG=\"$pkgw\\install.log\"" ;;
    nsis-*) echo "$pkgw\\setup|$pkgw\\$who.exe|/S /D=$dest" ;;
  esac
}

# The destination as a contestant starts from: empty, or for a re-install
# holding an earlier installation of the same package by the same build.
prepare_destination() {
  local p=$1 who=$2 cwd exe tail
  clean_destination
  case $who in
    *-again)
      IFS='|' read -r cwd exe tail <<<"$(command_of "$p" "${who%-again}")"
      wine_run 'C:\bench\bin\timer.exe' run "$cwd" "$exe" "$tail" >/dev/null
      ;;
  esac
}

# Files and folders below a folder; 0 when it does not exist.
count_entries() { { find "$@" 2>/dev/null || true; } | wc -l; }

# Fails the benchmark when a contestant did not install the whole package.
check_installed() {
  local p=$1 who=$2 code=$3 files
  read -r files _ <<<"${shape[$p]}"
  local got
  got=$(count_entries "$drive_c/$dest_rel/$p" -type f)
  if [ "$code" != 0 ] || [ "$got" -lt $((files + 3)) ]; then
    echo "$who did not install $p: exit code $code, $got files" >&2
    exit 1
  fi
}

results=$out/times.tsv
rollbacks=$out/rollback.tsv
uninstalls=$out/uninstall.tsv
: >"$results"
: >"$rollbacks"
: >"$uninstalls"
{ echo "# $(date -u '+%F %T') UTC, CPU $cpu, $(nproc) CPUs"; echo "# load before: $(uptime)"; } >"$out/conditions.txt"

for p in $packages; do
  read -r files _ layout <<<"${shape[$p]}"
  n=$rounds
  [ "$p" = files20000 ] && n=$rounds_large
  step "timing $p: a warm-up round, then $n rounds of ${contestants[*]}"
  # The first start of each program fills Wine's caches; it is not timed,
  # and it shows that every contestant installs the whole package.
  for who in "${contestants[@]}"; do
    IFS='|' read -r cwd exe tail <<<"$(command_of "$p" "$who")"
    prepare_destination "$p" "$who"
    read -r ms code < <(wine_run 'C:\bench\bin\timer.exe' run "$cwd" "$exe" "$tail" | tr -d '\r')
    [ "$who" = empty ] && continue
    check_installed "$p" "$who" "$code"
    # Byte for byte: every data file arrived (the named files are extra).
    if diff -rq "$drive_c/bench/$p/GUIDE" "$drive_c/$dest_rel/$p" | grep -v "^Only in $drive_c/$dest_rel/$p: " >&2; then
      echo "$who installed $p with other contents" >&2
      exit 1
    fi
  done
  for ((r = 0; r < n; r++)); do
    # Pairs run by run, each round in a rotated order so that no contestant
    # always follows the same one.
    for ((k = 0; k < ${#contestants[@]}; k++)); do
      who=${contestants[$(((k + r) % ${#contestants[@]}))]}
      IFS='|' read -r cwd exe tail <<<"$(command_of "$p" "$who")"
      prepare_destination "$p" "$who"
      read -r ms code < <(wine_run 'C:\bench\bin\timer.exe' run "$cwd" "$exe" "$tail" | tr -d '\r')
      [ "$who" = empty ] || check_installed "$p" "$who" "$code"
      printf '%s\t%d\t%s\t%s\n' "$p" "$r" "$who" "$ms" >>"$results"
      printf '  round %d %-13s %10.1f ms\n' "$r" "$who" "$ms" >&2
    done
  done

  # Rollback: the item count decides where the progress bar stands at the
  # last item (a tenth more steps than items, see the copy loop).
  folders=0
  [ "$layout" = nested ] && folders=$((files / 100 * 11))
  items=$((files + folders + 3))
  steps=$((items * 11 / 10))
  [ "$steps" = "$items" ] && steps=$((steps + 1))
  last=$((100 * items / steps))
  step "rollback of $p: $rollback_rounds cancels at the last item (bar at $last)"
  for ((r = 0; r < rollback_rounds; r++)); do
    IFS='|' read -r cwd exe _ <<<"$(command_of "$p" tarvel)"
    clean_destination
    for attempt in 1 2 3; do
      read -r ms code < <(wine_run 'C:\bench\bin\timer.exe' cancel "$cwd" "$exe" /WD "$last" | tr -d '\r')
      [ "$ms" != missed ] && break
      echo "  the install ended before the cancel (exit code $code); again" >&2
      clean_destination
    done
    left=$(count_entries "$drive_c/$dest_rel")
    printf '%s\t%d\t%s\t%s\t%s\n' "$p" "$r" "$ms" "$code" "$left" >>"$rollbacks"
    printf '  round %d rollback %10s ms, exit code %s, %s entries left\n' "$r" "$ms" "$code" "$left" >&2
  done

  # Uninstall beside install, both timed from outside Wine until the work is
  # done: the uninstaller hands over to a copy of itself in the temporary
  # folder and ends, so its own exit says nothing; the destination's
  # disappearance does.
  step "uninstall of $p: $rollback_rounds rounds of install, then uninst.exe /PSM"
  pkg_dest="$drive_c/$dest_rel/$p"
  for ((r = 0; r < rollback_rounds; r++)); do
    IFS='|' read -r cwd exe tail <<<"$(command_of "$p" tarvel)"
    clean_destination
    t0=$(date +%s%N)
    wine_run 'C:\bench\bin\timer.exe' run "$cwd" "$exe" "$tail" >/dev/null
    t1=$(date +%s%N)
    dest_win="C:\\Program Files (x86)\\TarvelBench\\$p"
    wine_run 'C:\bench\bin\timer.exe' run "$dest_win" "$dest_win\\uninst.exe" /PSM >/dev/null
    for ((wait = 0; wait < 120000; wait += 10)); do [ -e "$pkg_dest" ] || break; sleep 0.01; done
    t2=$(date +%s%N)
    left=$(count_entries "$pkg_dest")
    printf '%s\t%d\t%s\t%s\t%s\n' "$p" "$r" $(((t1 - t0) / 1000000)) $(((t2 - t1) / 1000000)) "$left" >>"$uninstalls"
    printf '  round %d install %6d ms, uninstall %6d ms, %s entries left\n' "$r" $(((t1 - t0) / 1000000)) \
      $(((t2 - t1) / 1000000)) "$left" >&2
  done
  clean_destination
done
echo "# load after: $(uptime)" >>"$out/conditions.txt"

step "summary (medians; ratios are medians of the per-round ratios)"
summarize "$results" "$rollbacks" | tee "$out/summary.md"
# Install and uninstall, both seen from outside Wine (Wine's start-up included in each).
awk -F'\t' "$awk_median"'
  { n[$1]++; i[$1] = i[$1] " " $3; u[$1] = u[$1] " " $4; if (!($1 in seen)) { seen[$1] = 1; order[++np] = $1 } }
  END {
    printf "\n| package | install (outside Wine) | uninstall (outside Wine) | uninstall/install |\n|---|---:|---:|---:|\n"
    for (j = 1; j <= np; j++) { p = order[j]; printf "| %s | %.0f ms | %.0f ms | %.2f |\n", p, median(i[p]), median(u[p]), median(u[p]) / median(i[p]) }
  }' "$uninstalls" | tee -a "$out/summary.md"
echo
cat "$out/conditions.txt"
echo "raw times: $results, rollbacks: $rollbacks"
