#!/usr/bin/env bash
# From a fresh Debian machine to a finished test run: installs what is missing,
# checks that includes point down a layer, builds, prepares the Wine prefix and runs every test under Wine with ctest.
# Extra arguments go to ctest (e.g. -R SingleInstance, -L e2e, -j2).
# Exit status: ctest's.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/run-common.sh"

step "checking the include graph"
bash "$here/tools/check-layers.sh"

setup_and_build
start_wineserver

step "running the tests"
cd "$build_dir"
set +e
# Each test bounds its own waits; the ctest timeout only catches a hung Wine.
ctest --output-on-failure --timeout 300 "$@"
status=$?
set -e
exit $status
