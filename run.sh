#!/usr/bin/env bash
# Installs what is missing, builds the game alone into build/ (no tests, no benchmarks) and
# starts it.
set -euo pipefail
WW_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$WW_ROOT/setup.sh"
ww_install_missing
WW_TARGET=wurfwummel ww_build "$WW_ROOT/build" -DBUILD_TESTING=OFF -DWW_BUILD_BENCHMARKS=OFF
exec "$WW_ROOT/build/wurfwummel"
