#!/usr/bin/env bash
# Resident memory after start-up: the game and the plain-Qt baseline window, each a program of
# its own on one private Xvfb display, each started three times; prints the medians and their
# ratio. Usage: bench/memory.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
tmp="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# The game's controls, counted from its own window, size the baseline.
QT_QPA_PLATFORM=offscreen "$build/bench/wurfwummel_bench" --controls >"$tmp/controls" 2>/dev/null

exec 3>"$tmp/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
  [ -s "$tmp/display" ] && break
  sleep 0.1
done
export DISPLAY=":$(head -n1 "$tmp/display")"
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$tmp"

# Starts a program, waits for its window to be shown and painted, prints its VmRSS in KiB.
rss_of() {
  local title="$1"
  shift
  "$@" >/dev/null 2>&1 &
  local pid=$!
  timeout 20 xdotool search --sync --onlyvisible --name "^$title\$" >/dev/null
  sleep 1
  awk '/^VmRSS:/ {print $2}' "/proc/$pid/status"
  kill -TERM "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

median3() { printf '%s\n' "$@" | sort -n | sed -n 2p; }

game=()
base=()
for run in 1 2 3; do
  # The returning pair of players that the start-up benchmark also makes.
  data="$tmp/data$run"
  mkdir -p "$data/Tollmark/Wurfwummel"
  printf 'Anna\r\nBernd\r\n' >"$data/Tollmark/Wurfwummel/wurfwummel.cfg"
  game+=("$(XDG_DATA_HOME="$data" rss_of Wurfwummel "$build/wurfwummel")")
  base+=("$(rss_of Baseline "$build/bench/baseline_window" "$tmp/controls")")
done
g="$(median3 "${game[@]}")"
b="$(median3 "${base[@]}")"
awk -v g="$g" -v b="$b" 'BEGIN {
  printf "\n%-46s %12s %10s  %s\n", "Memory after start-up (VmRSS, Xvfb, median of 3)", "", "ratio", "target"
  printf "%-46s %9.1f MiB %10.2f  %s\n", "Game (2 players)", g / 1024, g / b, "<= 1.10 x baseline"
  printf "%-46s %9.1f MiB\n", "Plain Qt baseline window", b / 1024
}'
