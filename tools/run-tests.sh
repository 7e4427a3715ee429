#!/usr/bin/env bash
# From a fresh Debian machine to a finished test run: installs what is missing,
# checks that includes point down a layer, builds, prepares a Wine prefix for
# each test lane and runs every test under Wine with ctest, the lanes side by
# side; then names every test that failed and counts them all.
#
#   bash tools/run-tests.sh [--gtest_filter=PATTERN] [CTEST ARGUMENTS]
#
# --gtest_filter picks single tests inside the test programs (GoogleTest's
# patterns: 'UninstallTest.*', '*Shortcut*:-*Slow*'); ctest's arguments pick
# programs and lanes (-L e2e, -R unit_tests, -j1).
# Exit status: ctest's.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/run-common.sh"

ctest_args=()
for arg in "$@"; do
  case "$arg" in
    --gtest_filter=*) export GTEST_FILTER=${arg#--gtest_filter=} ;;
    *) ctest_args+=("$arg") ;;
  esac
done

step "checking the include graph"
bash "$here/tools/check-layers.sh"

setup_and_build
find_lane_prefixes
make_lane_prefixes
start_wineservers "${lane_prefixes[@]}"

step "running the tests in ${#lane_prefixes[@]} lanes"
cd "$build_dir"
rm -rf test-results && mkdir -p test-results
set +e
ctest --output-on-failure -j "${#lane_prefixes[@]}" --output-junit test-results/ctest.xml \
  ${ctest_args[@]+"${ctest_args[@]}"}
status=$?
set -e
bash "$here/tools/test-report.sh" "$build_dir/test-results"
exit $status
