#!/usr/bin/env bash
# The start of the whole process on a real X server (a private Xvfb): the time from the spawn
# of the program until its window is mapped, the processor time its threads spent until then,
# and its resident memory once the window is shown and painted; the game beside the plain-Qt
# baseline window with the same controls, each start with a fresh data folder. The programs
# take turns in random order, round after round: the game for a returning pair of players
# without a record yet (their settings and scores from a version before it), the game with
# the record of earlier starts (a game of 40 turns under way, which it resumes: what most
# starts find), and the baseline; given another build of the game (an earlier version), it
# takes its turns too, with both kinds of data. Prints the medians and the ratios to the
# baseline; then, where valgrind is installed, the instructions of one start of each until its
# window is mapped, which a busy machine does not change. On a machine busy with other work,
# `chrt -f 10 bench/startup.sh ...` (as root) keeps that work from delaying the starts.
# Usage: bench/startup.sh BUILD_DIR [ROUNDS [OTHER_GAME_PROGRAM]]
set -euo pipefail
build="$(cd "$1" && pwd)"
rounds="${2:-21}"
other="${3:+$(cd "$(dirname "$3")" && pwd)/$(basename "$3")}"
tmp="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

# The game's controls, counted from its own window, make the baseline; the record of a game
# under way is played by the benchmark program through the game itself. The players without a
# record have the same settings and score files: players of a version before the record.
QT_QPA_PLATFORM=offscreen "$build/bench/wurfwummel_bench" --controls >"$tmp/controls" 2>/dev/null
QT_QPA_PLATFORM=offscreen "$build/bench/wurfwummel_bench" --record "$tmp/record" 2>/dev/null
mkdir -p "$tmp/players/Tollmark/Wurfwummel"
cp "$tmp/record/Tollmark/Wurfwummel/wurfwummel.cfg" "$tmp/record/Tollmark/Wurfwummel/wurfwummel.scr" \
  "$tmp/players/Tollmark/Wurfwummel/"

kinds="game record baseline${other:+ other other-record}"
declare -A label=(
  [game]="Game (2 players, no record yet)"
  [record]="Game resuming its record (40 turns)"
  [baseline]="Plain Qt baseline window"
  [other]="Other game (2 players, no record yet)"
  [other-record]="Other game resuming the record"
)

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

# A fresh data folder for one kind of start, and the program with its window's title.
prepare() {
  local kind="$1"
  data="$tmp/data"
  rm -rf "$data"
  mkdir -p "$data"
  case "$kind" in
  game | other) cp -R "$tmp/players/." "$data" ;;
  record | other-record) cp -R "$tmp/record/." "$data" ;;
  esac
  case "$kind" in
  game | record) program=(Wurfwummel "$build/wurfwummel") ;;
  other | other-record) program=(Wurfwummel "$other") ;;
  baseline) program=(Baseline "$build/bench/baseline_window" "$tmp/controls") ;;
  esac
}

# One start of one kind; appends "<ms to map> <CPU ms> <KiB> <ms waited for a CPU>" to its file.
start() {
  local kind="$1" data program
  prepare "$kind"
  XDG_DATA_HOME="$data" "$build/bench/startwatch" "${program[@]}" >>"$tmp/times-$kind" \
    2>"$tmp/error" || {
    echo "startup.sh: $kind: $(cat "$tmp/error")" >&2
    exit 1
  }
}

# The instructions of one start until its window is mapped, counted by callgrind up to the
# program's first call of xcb_map_window: the same on a busy machine as on a quiet one.
instructions() {
  local kind="$1" data program pid
  prepare "$kind"
  XDG_DATA_HOME="$data" valgrind --tool=callgrind --dump-before=xcb_map_window \
    --callgrind-out-file="$tmp/callgrind.%p" "${program[@]:1}" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1200); do
    grep -qs '^totals:' "$tmp/callgrind.$pid.1" && break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  sed -n 's/^totals: //p' "$tmp/callgrind.$pid.1" 2>/dev/null | head -n1
}

# A first round warms the disk cache and is not counted.
for kind in $kinds; do
  start "$kind"
  : >"$tmp/times-$kind"
done
for _ in $(seq "$rounds"); do
  for kind in $(printf '%s\n' $kinds | shuf); do start "$kind"; done
done

median() { cut -d' ' -f"$2" "$tmp/times-$1" | sort -g | awk '{ v[NR] = $1 } END {
  print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# The baseline first, the games after it.
for kind in baseline $(printf '%s\n' $kinds | grep -vx baseline); do
  printf '%s|%s %s %s %s\n' "${label[$kind]}" "$(median "$kind" 1)" "$(median "$kind" 2)" \
    "$(median "$kind" 3)" "$(median "$kind" 4)"
done >"$tmp/medians"
awk -F'|' -v rounds="$rounds" '
  NR == 1 { split($2, b, " ") }
  { name[NR] = $1; split($2, f, " "); wall[NR] = f[1]; cpu[NR] = f[2]; rss[NR] = f[3]; wait[NR] = f[4] }
  END {
    printf "\nWhole-process start under Xvfb, medians of %d starts each, interleaved\n", rounds
    printf "%-40s %10s %7s %10s %7s %10s %7s\n", "", "to mapped", "ratio", "CPU", "ratio", "VmRSS", "ratio"
    for (i = 2; i <= NR; ++i)
      printf "%-40s %7.1f ms %6.2fx %7.1f ms %6.2fx %6.1f MiB %6.2fx\n", name[i], wall[i],
        wall[i] / b[1], cpu[i], cpu[i] / b[2], rss[i] / 1024, rss[i] / b[3]
    printf "%-40s %7.1f ms %7s %7.1f ms %7s %6.1f MiB\n", name[1], b[1], "", b[2], "", b[3] / 1024
    printf "%-40s %10s %7s %10s %7s %10s %7s\n", "Target", "", "<= 1.10", "", "", "", "<= 1.10"
    printf "Waited for a processor until the map (median):"
    for (i = 2; i <= NR; ++i) printf " %.1f ms,", wait[i]
    printf " baseline %.1f ms; well above 0 means a busy machine,\nwhose wall times scatter: then the CPU ratio is the fairer one.\n", b[4]
  }' "$tmp/medians"

if command -v valgrind >/dev/null; then
  for kind in baseline $(printf '%s\n' $kinds | grep -vx baseline); do
    printf '%s|%s\n' "${label[$kind]}" "$(instructions "$kind")"
  done >"$tmp/instructions"
  awk -F'|' '
    NR == 1 { base = $2 }
    { name[NR] = $1; n[NR] = $2 }
    END {
      printf "\n%-40s %12s %7s\n", "Instructions until the map (callgrind)", "", "ratio"
      for (i = 2; i <= NR; ++i)
        printf "%-40s %10.1f M %6.2fx\n", name[i], n[i] / 1e6, (base > 0 ? n[i] / base : 0)
      printf "%-40s %10.1f M\n", name[1], base / 1e6
    }' "$tmp/instructions"
fi
