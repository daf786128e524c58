# Shared set-up for run.sh, test.sh, bench.sh and the fuzzing script: installs what is
# missing, then builds into $1. Sourced, not run.

# What building and playing needs (the benchmarks are built by default; the Wayland plugin
# lets the game run as a native Wayland client).
ww_packages="cmake g++ make pkg-config qt6-base-dev libpng-dev libgtest-dev libbenchmark-dev"
ww_packages="$ww_packages qt6-wayland"
# What the test suite needs besides: the desktop-file and metainfo validators, the Debian
# package tools, a headless Wayland compositor, a real X server and a key sender.
ww_test_packages="desktop-file-utils appstream dpkg-dev file weston xvfb xauth xdotool x11-utils strace"
# What the fuzz targets need: clang with libFuzzer and its sanitizer runtimes.
ww_fuzz_packages="clang libfuzzer-14-dev libclang-rt-14-dev"

ww_install_missing() {
  local missing=""
  for p in $ww_packages ${WW_EXTRA_PACKAGES:-}; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  [ -z "$missing" ] && return 0
  echo "Installing:$missing"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
}

ww_build() {
  local dir="$1"
  shift
  cmake -S "$WW_ROOT" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
