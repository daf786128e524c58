# Shared set-up for run.sh and test.sh: installs what is missing, then builds into $1.
# Sourced, not run.

ww_packages="cmake g++ make pkg-config qt6-base-dev libpng-dev libgtest-dev"

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
