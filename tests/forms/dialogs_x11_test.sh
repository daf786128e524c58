#!/usr/bin/env bash
# The dialogs as an X window manager sees them, on Xvfb with real key presses: F1 in the main
# window opens the rules, a dialog of the main window (WM_TRANSIENT_FOR, window type dialog,
# no minimise or maximise function, fixed size) centred on its client area; Escape closes it
# and hands the keyboard back, so that F1 opens it again; so does Escape at a question box.
# Exits 77 (skipped) when Xvfb,
# xdotool or xprop is missing. Usage: dialogs_x11_test.sh PROGRAM
set -uo pipefail
program="$1"
. "$(dirname "${BASH_SOURCE[0]}")/../dist/desktop.sh"
for tool in Xvfb xdotool xprop xwininfo; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

# A display of its own: Xvfb picks a free number and writes it to the descriptor.
exec 3>"$tmp/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
pids="$pids $!"
wait_for 20 test -s "$tmp/display" || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
export DISPLAY=":$(head -1 "$tmp/display")"
export XDG_RUNTIME_DIR="$tmp/run" XDG_DATA_HOME="$tmp/data"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

"$program" >"$tmp/game.log" 2>&1 &
game=$!
pids="$pids $game"

visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
shown() { test -n "$(visible "$1")"; }
gone() { test -z "$(visible "$1")"; }
# Without a window manager a new window takes the keyboard a moment after it is shown (longer
# on a slow, sanitized build): keys are pressed once it has it.
focused() { test "$(xdotool getwindowfocus 2>/dev/null)" = "$(visible "$1")"; }
geometry() { # x y width height of a window's inside, on the screen
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

wait_for 30 shown Wurfwummel || fail "no main window: $(cat "$tmp/game.log")"
main="$(visible Wurfwummel)"
read -r mx my mw mh <<<"$(geometry "$main")"
menu=$((mh - 730)) # the standard layout's client area is 730 high, under the menu bar
[ "$mw" -eq 570 ] && [ "$menu" -gt 0 ] || fail "main window ${mw}x$mh"

xdotool windowfocus --sync "$main" key F1
wait_for 10 shown 'Wurfwummel - Regeln' || fail "F1 opened no rules window"
rules="$(visible 'Wurfwummel - Regeln')"
props="$(xprop -id "$rules" WM_TRANSIENT_FOR _NET_WM_WINDOW_TYPE _MOTIF_WM_HINTS WM_NORMAL_HINTS)"
echo "$props"
[ "$(printf '%d' "$(echo "$props" | awk '/WM_TRANSIENT_FOR/ {print $NF}')")" -eq "$main" ] ||
  fail "the rules window is not transient for the main window"
echo "$props" | grep -q '_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_DIALOG' ||
  fail "the rules window is no dialog"
# Motif hints: flags, functions, decorations; minimise is 8 and maximise 16 among the
# functions, 32 and 64 among the decorations.
read -r functions decorations <<<"$(echo "$props" |
  sed -n 's/.*_MOTIF_WM_HINTS) = \(0x[0-9a-f]*\), \(0x[0-9a-f]*\), \(0x[0-9a-f]*\).*/\2 \3/p')"
[ -n "$functions" ] || fail "no Motif hints"
((functions & 24)) && fail "the rules window can be minimised or maximised ($functions)"
((decorations & 96)) && fail "the rules window shows minimise or maximise buttons ($decorations)"
echo "$props" | grep -q 'program specified minimum size: 640 by 480' &&
  echo "$props" | grep -q 'program specified maximum size: 640 by 480' ||
  fail "the rules window is not of fixed size"
read -r rx ry rw rh <<<"$(geometry "$rules")"
# Centred on the main window's client area; the halves truncate toward zero (-70 / 2 = -35).
[ "$rx" -eq $((mx + (570 - 640) / 2)) ] && [ "$ry" -eq $((my + menu + (730 - 480) / 2)) ] ||
  fail "the rules window stands at $rx,$ry ${rw}x$rh, the main window at $mx,$my"
echo "rules window ${rw}x$rh at $rx,$ry over the main window at $mx,$my (menu bar $menu)"

wait_for 10 focused 'Wurfwummel - Regeln' || fail "the rules window never took the keyboard"
xdotool key Escape
wait_for 10 gone 'Wurfwummel - Regeln' || fail "Escape did not close the rules"
kill -0 "$game" 2>/dev/null || fail "the game ended"
# The keyboard is the main window's again at once.
xdotool key F1
wait_for 10 shown 'Wurfwummel - Regeln' || fail "F1 after Escape opened nothing"
wait_for 10 focused 'Wurfwummel - Regeln' || fail "the second rules window never took the keyboard"
xdotool key Escape
wait_for 10 gone 'Wurfwummel - Regeln' || fail "the second Escape"

# A question box (the one before the first hint) answered with Escape hands the keyboard back
# at once too: T asks again without a click. Box and main window share the caption.
count() { xdotool search --onlyvisible --name '^Wurfwummel$' 2>/dev/null | wc -l; }
boxes() { test "$(count)" -eq "$1"; }
box_focused() {
  local f
  f="$(xdotool getwindowfocus 2>/dev/null)"
  [ -n "$f" ] && [ "$f" != "$main" ] && xdotool search --onlyvisible --name '^Wurfwummel$' |
    grep -qx "$f"
}
for round in 1 2; do
  xdotool key t
  wait_for 10 boxes 2 || fail "T opened no question (round $round)"
  wait_for 10 box_focused || fail "the question never took the keyboard (round $round)"
  xdotool key Escape
  wait_for 10 boxes 1 || fail "Escape did not answer the question (round $round)"
done
kill -0 "$game" 2>/dev/null || fail "the game ended"

kill -TERM "$game"
rc=0
wait "$game" || rc=$?
[ "$rc" -eq 0 ] || fail "the game ended with $rc on the terminate request"
echo "F1 and Escape as expected"
