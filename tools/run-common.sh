# Shared by run-tests.sh and run-sample.sh (sourced, not run): set up the
# machine, build, prepare the Wine prefixes and keep a wineserver for each
# during the run.

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TARVEL_BUILD_DIR:-$here/build}
# Every Wine call of the run, ctest's included, goes to this one prefix.
export TARVEL_PREFIX=${TARVEL_PREFIX:-$build_dir/wineprefix}

step() { printf '\n== %s (at %d s)\n' "$*" "$SECONDS"; }

setup_and_build() {
  step "installing what is missing (tools/setup.sh)"
  bash "$here/tools/setup.sh"

  step "configuring and building in $build_dir"
  cmake -S "$here" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" >/dev/null
  cmake --build "$build_dir" -j2
}

make_prefix() {
  step "preparing the Wine prefix $TARVEL_PREFIX"
  bash "$here/tools/make-prefix.sh"
}

# The prefixes the run keeps a wineserver for: $TARVEL_PREFIX, or the test
# lanes' (start_wineservers "${lane_prefixes[@]}").
served_prefixes=()

stop_wineservers() {
  # -k ends the server of this prefix and everything running in it; a signal
  # would leave its helper processes behind.
  local prefix
  for prefix in "${served_prefixes[@]}"; do
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  done
}

start_wineservers() {
  step "starting a wineserver for the run"
  served_prefixes=("${@:-$TARVEL_PREFIX}")
  trap stop_wineservers EXIT
  local prefix
  for prefix in "${served_prefixes[@]}"; do
    # A lingering server turns each Wine start from seconds into a few hundredths.
    WINEPREFIX=$prefix wineserver -p60 2>/dev/null || true  # one may already run
    TARVEL_PREFIX=$prefix "$here/tools/wine-run.sh" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
  done
}

# The Wine prefix of each test lane, in lane_prefixes; tests/CMakeLists.txt
# gives its tests the same names.
find_lane_prefixes() {
  local lanes i
  lanes=$(sed -n 's/^TARVEL_TEST_LANES:STRING=//p' "$build_dir/CMakeCache.txt" 2>/dev/null)
  lane_prefixes=("$build_dir/wineprefix")
  for ((i = 1; i < ${lanes:-1}; i++)); do lane_prefixes+=("$build_dir/wineprefix.$i"); done
}

# Makes the lanes' prefixes that are missing, side by side (each takes a while).
make_lane_prefixes() {
  step "preparing the lanes' Wine prefixes"
  local prefix pids=()
  for prefix in "${lane_prefixes[@]}"; do
    TARVEL_PREFIX=$prefix bash "$here/tools/make-prefix.sh" & pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid"; done
}
