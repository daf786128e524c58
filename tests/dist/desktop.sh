# Sourced by the tests that start the game beside a display server of their own: a temporary
# folder and a list of started processes, both gone at exit, skip (exit 77) and fail, wait_for.
tmp="$(mktemp -d)"
pids=""
trap 'for p in $pids; do kill "$p" 2>/dev/null; done; rm -rf "$tmp"' EXIT

skip() {
  echo "SKIPPED: $*"
  exit 77
}
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
. "$(dirname "${BASH_SOURCE[0]}")/waitfor.sh"
