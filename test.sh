#!/usr/bin/env bash
# Installs what is missing, builds the game, its tests and the benchmarks into build/ (or
# $WW_BUILD_DIR) and runs the whole suite.
set -euo pipefail
WW_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$WW_ROOT/setup.sh"
WW_EXTRA_PACKAGES="$ww_test_packages ${WW_EXTRA_PACKAGES:-}" ww_install_missing
dir="${WW_BUILD_DIR:-$WW_ROOT/build}"
ww_build "$dir" -DBUILD_TESTING=ON -DWW_BUILD_BENCHMARKS=ON ${WW_CMAKE_ARGS:-}
export QT_QPA_PLATFORM=offscreen
cd "$dir"
ctest --output-on-failure -j "$(nproc)"
