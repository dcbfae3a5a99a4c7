#!/usr/bin/env bash
# End-to-end: the real program under Xvfb covers the screen, shows exactly the renderer's picture,
# starts a game on a click, ignores other keys and ends on Escape or a double-click, is repainted whole
# when uncovered, and lets the screen saver come on while it plays, with or without MIT-SHM; at --zoom 3
# (enlarged by the X server) and --zoom 2 (without MIT-SHM, enlarged by the program) each field pixel is a
# square of the renderer's picture; without a
# display it says so and ends instead of running unseen.
# Usage: window_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(dirname "$0")
source "$here/xvfb.sh"
work=$(mktemp -d)
W=640 H=480

if out=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$build/pellwick" 2>&1); then
  fail "with no display the program ended with status 0"
fi
grep -q "no display" <<<"$out" || fail "with no display the program did not say so: $out"
echo "without a display: $(grep "no display" <<<"$out")"

start_xvfb "${W}x${H}"
trap 'stop_xvfb; rm -rf "$work"' EXIT

start_app "$build/pellwick"
geometry=$(xwininfo -name Pellwick)
grep -q "Absolute upper-left X:  0" <<<"$geometry" || fail "window not at the left edge"
grep -q "Absolute upper-left Y:  0" <<<"$geometry" || fail "window not at the top edge"
grep -q "Width: $W" <<<"$geometry" || fail "window not as wide as the screen"
grep -q "Height: $H" <<<"$geometry" || fail "window not as high as the screen"

# Before any click the game is deterministic, so the screenshot names the tick it shows.
tick=$(shot_tick "$work/pregame.png" "$build/tests/screen_probe" 20000) || fail "the screen matches no tick of the game"
"$build/pellwick-render" --size "${W}x${H}" --ticks "$tick" --png "$work/render.png" >/dev/null 2>&1
diff=$(compare -metric AE "$work/pregame.png" "$work/render.png" null: 2>&1 || true)
[[ "$diff" == "0" ]] || fail "screen and renderer differ in $diff pixels at tick $tick"
echo "screen matches the renderer at tick $tick"

xdotool key a key space key Return
sleep 0.3
kill -0 "$APP_PID" 2>/dev/null || fail "an ordinary key ended the program"

xdotool mousemove 320 240 click 1
sleep 0.5
shot "$work/game.png"
counts=$(teams_in "$build/tests/screen_probe" "$work/game.png" "after a click")
ink=$(sed -E 's/.*"ink":([0-9]+).*/\1/' <<<"$counts")
(( ink > W * H / 50 )) || fail "after a click, too little ink for walls: $counts"
echo "a click started a game: $counts"

xdotool key Escape
wait_exit 3
echo "Escape ended the program"

start_app "$build/pellwick"
xdotool mousemove 100 100 click --repeat 2 --delay 80 1
# On a starved machine the window may read the two presses more than the double-click time apart, and
# then they are two single clicks; a second double-click must still end it.
ended_within 3 || xdotool click --repeat 2 --delay 80 1
wait_exit 3
echo "a double-click ended the program"

# Covered whole by a magenta window (a colour the game never draws) and uncovered again early on, while the
# walkers are still near their corner, it is repainted whole, not only where the game moved.
start_app "$build/pellwick"
"$build/tests/host_window" "${W}x${H}" > "$work/cover.id" &
cover=$!
for _ in $(seq 50); do [[ -s "$work/cover.id" ]] && break; sleep 0.1; done
kill "$cover"
wait "$cover" 2>/dev/null || true
for _ in $(seq 15); do
  sleep 0.1
  shot "$work/uncovered.png"
  counts=$("$build/tests/screen_probe" counts "$work/uncovered.png")
  grep -q '"other":0' <<<"$counts" && break
done
grep -q '"other":0' <<<"$counts" || fail "uncovered, part of the window still shows the other window: $counts"
xdotool key Escape
wait_exit 3
echo "uncovered, the window was repainted whole"

# A toy left playing for hours lets the screen blank: the X server's own saver comes on while it plays.
start_app "$build/pellwick"
xset s 2 0
"$build/tests/x_saver_state" 8 || fail "the window held the screen saver off"
xset s off
xset s reset
xdotool key Escape
wait_exit 3
echo "the screen saver came on while the window played"

# check_zoom ZOOM FIELD HOW: the window at --zoom ZOOM shows the renderer's FIELD picture at some tick, each
# pixel a ZOOM x ZOOM square, enlarged as HOW says; Escape ends it.
check_zoom() {
  local zoomed
  start_app "$build/pellwick" --zoom "$1"
  zoomed=$(zoomed_tick "$1" "$build/tests/screen_probe" "$build/pellwick-render" "$work" shot)
  [[ ${zoomed#* } == "$2" ]] || fail "with --zoom $1 the field is ${zoomed#* }, not $2"
  xdotool key Escape
  wait_exit 3
  echo "with --zoom $1 the screen is the renderer's $2 picture at tick ${zoomed% *}, each pixel a $1x$1 square, enlarged $3"
}

# A 213x160 field, enlarged by the X server from the shared field.
check_zoom 3 213x160 "by the X server"

# Without MIT-SHM the field's pixels travel through the connection, still exactly the renderer's picture.
stop_xvfb
start_xvfb "${W}x${H}" -extension MIT-SHM
trap 'stop_xvfb; rm -rf "$work"' EXIT
start_app "$build/pellwick"
tick=$(shot_tick "$work/noshm.png" "$build/tests/screen_probe" 20000) || fail "without MIT-SHM the screen matches no tick"
"$build/pellwick-render" --size "${W}x${H}" --ticks "$tick" --png "$work/render.png" >/dev/null 2>&1
diff=$(compare -metric AE "$work/noshm.png" "$work/render.png" null: 2>&1 || true)
[[ "$diff" == "0" ]] || fail "without MIT-SHM, screen and renderer differ in $diff pixels at tick $tick"
xdotool key Escape
wait_exit 3
echo "without MIT-SHM the screen matches the renderer at tick $tick"

# Without MIT-SHM a 320x240 field, enlarged on our side.
check_zoom 2 320x240 "by the program"
