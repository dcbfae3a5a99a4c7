#!/usr/bin/env bash
# End-to-end on Wayland, under a headless sway with a scale-1 and a scale-2 output and no X server: the
# window shows exactly the renderer's picture in device pixels on either output and keeps time while
# hidden, a click starts a game,
# Escape and a double-click end it; the saver covers both outputs with a game each, and an output added
# later, and ends on a key or a move of the pointer; a compositor that goes away ends the program with status 1.
# Usage: wayland_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(dirname "$0")
source "$here/sway.sh"
source "$here/xvfb.sh"  # ended_within, wait_exit, teams_in
work=$(mktemp -d)
probe=$build/tests/screen_probe

start_sway "default_border none
output HEADLESS-1 mode 640x480 position 0 0 scale 1
output HEADLESS-2 mode 800x600 position 640 0 scale 2"
trap 'stop_sway; rm -rf "$work"' EXIT
LAYOUT="1040 480"  # both outputs side by side, in logical pixels

start() {
  "$@" 2>"$work/stderr" &
  APP_PID=$!
}

# The window, on the scale-1 output: the renderer's picture, app_id, a click, Escape.
swaymsg -q focus output HEADLESS-1
start "$build/pellwick"
wait_app_id 1
tick=$(shown_tick HEADLESS-1 640x480)
echo "scale 1: the window matches the renderer at tick $tick"
# Hidden on another workspace the window gets no frames, and its game keeps time meanwhile.
swaymsg -q workspace 9
sleep 2
swaymsg -q workspace 1
sleep 0.3
later=$(shown_tick HEADLESS-1 640x480)
(( later - tick >= 1800 )) || fail "2 s hidden, the game went on from tick $tick only to $later"
echo "hidden for 2 s, the game went on from tick $tick to $later"
"$build/tests/wl_pointer" $LAYOUT move 320 240 click
sleep 0.5
wl_shot HEADLESS-1 "$work/game.png"
teams_in "$probe" "$work/game.png" "after a click" >/dev/null
echo "a click started a game"
# wtype uploads a keymap of its own, in which its first key (here space) has evdev's code for Escape.
wtype -s 300 -k space
sleep 0.5
kill -0 "$APP_PID" 2>/dev/null || fail "a space from a keyboard with its own keymap ended the window"
wtype -s 300 -k Escape
wait_exit 3
echo "a space through the virtual keyboard's own keymap left it running; Escape ended it"

# On the scale-2 output the field has the output's device pixels, 800x600 for 400x300 logical ones.
swaymsg -q focus output HEADLESS-2
start "$build/pellwick"
wait_app_id 1
tick=$(shown_tick HEADLESS-2 800x600)
echo "scale 2: the window matches the renderer at tick $tick in device pixels"
"$build/tests/wl_pointer" $LAYOUT move 840 150 click sleep 100 click
wait_exit 3
echo "a double-click ended it"

# --zoom auto on the scale-2 output: a field pixel is a logical pixel, a 2x2 square of device pixels, so
# the output shows the renderer's 400x300 picture enlarged by nearest neighbour.
start "$build/pellwick" --zoom auto
wait_app_id 1
second_output() { wl_shot HEADLESS-2 "$1"; }
zoomed=$(zoomed_tick 2 "$probe" "$build/pellwick-render" "$work" second_output)
[[ ${zoomed#* } == 400x300 ]] || fail "with --zoom auto on the scale-2 output the field is ${zoomed#* }, not 400x300"
wtype -s 300 -k Escape
wait_exit 3
echo "with --zoom auto on the scale-2 output the window is the renderer's 400x300 picture at tick ${zoomed% *}, doubled"

# The saver: a game on each output, on the seed given and the one after it; any key ends it.
start "$build/pellwick" --saver --seed 41
wait_app_id 2
one=$(shown_tick HEADLESS-1 640x480 41 2>/dev/null || shown_tick HEADLESS-1 640x480 42)
two=$(shown_tick HEADLESS-2 800x600 42 2>/dev/null || shown_tick HEADLESS-2 800x600 41)
echo "the saver plays on both outputs (ticks $one and $two)"
wtype -s 300 -k a
wait_exit 3
pgrep -f "$build/pellwick" >/dev/null && fail "a saver process is left behind"
echo "a key ended the saver"

# One game across both outputs cannot be had on Wayland: it says so, and plays a game on each.
start "$build/pellwick" --saver --monitors span --seed 41
wait_app_id 2
grep -q "a game plays on each output" "$work/stderr" || fail "--monitors span said nothing: $(cat "$work/stderr")"
wtype -s 300 -k a
wait_exit 3
echo "--monitors span: $(cat "$work/stderr")"

"$build/tests/wl_pointer" $LAYOUT move 100 100  # where the pointer is when the saver starts
start "$build/pellwick" --saver
wait_app_id 2
grep -q "playing seed" "$work/stderr" || fail "the saver did not name the seed it drew: $(cat "$work/stderr")"
"$build/tests/wl_pointer" $LAYOUT move 100 100 sleep 200 move 102 101 sleep 300
kill -0 "$APP_PID" 2>/dev/null || fail "a jitter of the pointer ended the saver"
swaymsg -q create_output
wait_app_id 3
echo "an output added while it runs gets a game of its own"
"$build/tests/wl_pointer" $LAYOUT move 100 100 sleep 200 move 140 100
wait_exit 3
echo "a move of the pointer ended the saver"

# As the documentation starts it: swayidle runs it after a second without input; a key ends it.
if command -v swayidle >/dev/null; then
  swayidle -w timeout 2 "$build/pellwick --saver" 2>/dev/null &
  IDLE_PID=$!
  wait_app_id 2
  wtype -s 300 -k a
  for _ in $(seq 30); do pgrep -xf "$build/pellwick --saver" >/dev/null || break; sleep 0.1; done
  pgrep -xf "$build/pellwick --saver" >/dev/null && fail "the saver swayidle started outlived a key"
  kill "$IDLE_PID"
  wait "$IDLE_PID" 2>/dev/null || true
  echo "swayidle started the saver after 2 s idle, and a key ended it"
fi

# Forced to X11 with no X server, it says so; a compositor that goes away ends it with status 1.
if PELLWICK_DISPLAY=x11 timeout 10 "$build/pellwick" 2>/dev/null; then fail "forced to X11 without an X server, it ended with 0"; fi
start "$build/pellwick"
wait_app_id 1
kill "$SWAY_PID"
ended_within 5 || fail "the program still runs 5 s after the compositor went away"
status=0
wait "$APP_PID" || status=$?
APP_PID=
[[ $status -eq 1 ]] || fail "after the compositor went away the status was $status, not 1"
grep -q "lost the Wayland compositor" "$work/stderr" || fail "no word on the lost compositor: $(cat "$work/stderr")"
echo "the compositor went away: $(cat "$work/stderr")"
echo "PASS"
