# Shared by run-tests.sh and run-sample.sh (sourced, not run): set up the
# machine, build, prepare the Wine prefix and keep one wineserver for the run.

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVEL_BUILD_DIR:-$here/build}
# Every Wine call of the run, ctest's included, goes to this one prefix.
export TARVEL_PREFIX=${TARVEL_PREFIX:-$build_dir/wineprefix}

step() { printf '\n== %s\n' "$*"; }

setup_and_build() {
  step "installing what is missing (tools/setup.sh)"
  bash "$here/tools/setup.sh"

  step "configuring and building in $build_dir"
  cmake -S "$here" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" >/dev/null
  cmake --build "$build_dir" -j2

  step "preparing the Wine prefix $TARVEL_PREFIX"
  bash "$here/tools/make-prefix.sh"
}

stop_wineserver() {
  # -k ends the server of this prefix and everything running in it; a signal
  # would leave its helper processes behind.
  WINEPREFIX=$TARVEL_PREFIX wineserver -k 2>/dev/null || true
}

start_wineserver() {
  step "starting a wineserver for the run"
  # A lingering server turns each Wine start from seconds into a few hundredths.
  WINEPREFIX=$TARVEL_PREFIX wineserver -p60 2>/dev/null || true  # one may already run
  trap stop_wineserver EXIT
  "$here/tools/wine-run.sh" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
}
