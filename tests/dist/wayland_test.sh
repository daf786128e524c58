#!/usr/bin/env bash
# Starts the game as a native Wayland client on a headless weston and reads the protocol
# conversation: the compositor configures the window, the game maps it under its application
# id, and the layout rule reads the output's height (1024 high: standard layout, 570 wide;
# 768 high: compact, 860 wide). Exits 77 (skipped) when no compositor or no Qt Wayland plugin
# is there. Usage: wayland_test.sh PROGRAM
set -uo pipefail
program="$1"
. "$(dirname "${BASH_SOURCE[0]}")/desktop.sh"
command -v weston >/dev/null || skip "weston is not installed (package weston)"
plugin="$(find /usr/lib -path '*qt6/plugins/platforms/libqwayland-generic.so' 2>/dev/null | head -1)"
[ -n "$plugin" ] || skip "the Qt Wayland platform plugin is not installed (package qt6-wayland)"

export XDG_RUNTIME_DIR="$tmp/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"


# One start of the game on an output of the given height; expects the given window width.
run_on_output() {
  local height="$1" width="$2" socket="wurfwummel-$$-$1" log="$tmp/client-$1.log"
  weston --backend=headless-backend.so --socket="$socket" --width=1280 --height="$height" \
    --idle-time=0 >"$tmp/weston-$height.log" 2>&1 &
  local weston=$!
  pids="$pids $weston"
  if ! wait_for 20 test -S "$XDG_RUNTIME_DIR/$socket"; then
    kill -0 "$weston" 2>/dev/null ||
      skip "weston's headless backend did not start: $(tail -3 "$tmp/weston-$height.log")"
    fail "weston made no socket"
  fi
  mkdir -p "$tmp/data-$height"
  # Without the toolkit's own title bar, the window geometry is the window's own size.
  WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland QT_WAYLAND_DISABLE_WINDOWDECORATION=1 \
    WAYLAND_DEBUG=1 XDG_DATA_HOME="$tmp/data-$height" "$program" 2>"$log" &
  local pid=$!
  pids="$pids $pid"
  mapped() { grep -Eq 'xdg_surface@[0-9]+\.ack_configure' "$log" && grep -Eq -- '-> wl_surface@[0-9]+\.commit' "$log"; }
  wait_for 30 mapped || fail "no window configured and committed on a $height-high output"
  grep -q 'xdg_toplevel@[0-9]*\.set_app_id("de.tollmark.Wurfwummel")' "$log" ||
    fail "the window does not carry the application id"
  grep -q 'xdg_toplevel@[0-9]*\.set_title("Wurfwummel")' "$log" || fail "window title"
  local geometry
  geometry="$(grep -o 'xdg_surface@[0-9]*\.set_window_geometry([^)]*)' "$log" | tail -1)"
  [[ "$geometry" =~ \(0,\ 0,\ $width,\ ([0-9]+)\) ]] ||
    fail "on a $height-high output the window is $geometry, expected $width wide"
  echo "output 1280x$height: mapped as de.tollmark.Wurfwummel, $geometry"
  kill -TERM "$pid"
  local rc=0
  wait "$pid" || rc=$?
  [ "$rc" -eq 0 ] || fail "exit code $rc after SIGTERM"
  [ -s "$tmp/data-$height/Tollmark/Wurfwummel/wurfwummel.cfg" ] || fail "no settings written"
  kill "$weston" 2>/dev/null
  wait "$weston" 2>/dev/null
}

run_on_output 1024 570
run_on_output 768 860
