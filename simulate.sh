#!/usr/bin/env bash
# Builds the self-play program in Release into build-release/ (or $WW_BUILD_DIR) and runs it:
# 10,000 one-player games each for the computer player at one strength and the greedy yardstick.
#   ./simulate.sh [games] [seed] [--level leicht|mittel|stark] [--versus L] [--totals FILE] ...
# (the options are listed at the top of bench/simulate.cpp)
set -euo pipefail
WW_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$WW_ROOT/setup.sh"
WW_EXTRA_PACKAGES="$ww_bench_packages" ww_install_missing
dir="${WW_BUILD_DIR:-$WW_ROOT/build-release}"
cmake -S "$WW_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DWW_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$dir" --target simulate -j "$(nproc)"
exec "$dir/ai/simulate" "$@"
