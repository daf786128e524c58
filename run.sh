#!/usr/bin/env bash
# Installs what is missing, builds into build/ and starts the game.
set -euo pipefail
WW_ROOT="$(cd "$(dirname "$0")" && pwd)"
. "$WW_ROOT/setup.sh"
ww_install_missing
ww_build "$WW_ROOT/build"
exec "$WW_ROOT/build/wurfwummel"
