# Shared set-up for run.sh, test.sh, bench.sh, simulate.sh and the fuzzing script: installs
# what is missing, then builds into $1. Sourced, not run.

# What building and playing needs. The Wayland plugin lets the game run as a native Wayland
# client; it is fetched only on a Wayland desktop, since it pulls in QML and Quick.
# SQLite keeps the record of every game; Qt Charts draws the statistics' chart.
ww_packages="cmake g++ make qt6-base-dev libpng-dev libsqlite3-dev qt6-charts-dev"
# Network play: libsodium for the cryptography, Avahi for offers on the local network, miniupnpc
# to ask the router for the port.
ww_packages="$ww_packages libsodium-dev libavahi-client-dev libminiupnpc-dev pkg-config"
if [ -n "${WAYLAND_DISPLAY:-}" ]; then ww_packages="$ww_packages qt6-wayland"; fi
# What the test suite needs besides: GoogleTest and Google Benchmark (each benchmark runs once),
# the desktop-file, metainfo and manual-page checkers, the SVG renderer, the Debian packaging
# tools with lintian and hardening-check, a headless Wayland compositor with the Qt plugin, a
# real X server, a key sender, a window-property reader and strace (slow and interrupted saves).
ww_test_packages="libgtest-dev libbenchmark-dev desktop-file-utils appstream man-db file"
ww_test_packages="$ww_test_packages librsvg2-bin dpkg-dev debhelper lintian devscripts"
ww_test_packages="$ww_test_packages qt6-wayland weston xvfb xauth xdotool x11-utils strace"
# The discovery test runs an Avahi daemon of its own on a private D-Bus bus.
ww_test_packages="$ww_test_packages avahi-daemon dbus-daemon iproute2"
# What the benchmarks and the developers' tools need: Google Benchmark, and for the start-up
# comparison Xvfb, the X client library (its stopwatch watches the window being mapped) and
# valgrind (it counts the instructions until then).
ww_bench_packages="libbenchmark-dev xvfb xauth libxcb1-dev valgrind"
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

# Configures $1 with the remaining arguments and builds it; WW_TARGET, when set, names the one
# target to build.
ww_build() {
  local dir="$1"
  shift
  cmake -S "$WW_ROOT" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)" ${WW_TARGET:+--target "$WW_TARGET"}
}
