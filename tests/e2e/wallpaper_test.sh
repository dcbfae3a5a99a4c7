#!/usr/bin/env bash
# End-to-end for the wallpaper.
# On X11 (Xvfb with openbox): a desktop window stays below a normal window, even clicked, and out of the
# taskbar; it shows exactly the renderer's picture of its seed; with --rest pause it sleeps under a
# full-screen window; SIGTERM ends it with 0.
# On Wayland (headless sway, a scale-1 and a scale-2 output): full-screen windows over both outputs stop
# its frames (with --rest pause its ticks and nearly all its wake-ups too) until they go; a background
# layer on each output plays its own seed at a calm 60 ticks a second, exactly the renderer's picture
# where nothing covers it, behind a normal window that keeps the clicks; an output added gets one.
# Usage: wallpaper_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(dirname "$0")
source "$here/xvfb.sh"
work=$(mktemp -d)
probe=$build/tests/screen_probe

start() {
  "$@" 2>"$work/stderr" &
  APP_PID=$!
}
stop_app() {
  kill -TERM "$APP_PID"
  wait_exit 3
}

echo "== X11, under openbox"
command -v openbox >/dev/null || { echo "openbox is not installed; skipping"; exit 77; }
start_xvfb 640x480
openbox >/dev/null 2>&1 &
WM_PID=$!
trap 'kill $WM_PID 2>/dev/null; stop_xvfb; rm -rf "$work"' EXIT
for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
start "$build/pellwick" --wallpaper --seed 5 --first-game 1000
sleep 1
tick=$(shot_tick "$work/x11.png" "$probe" 5000 5) || fail "the X11 wallpaper shows no tick of seed 5's game"
"$build/pellwick-render" --size 640x480 --ticks "$tick" --seed 5 --png "$work/x11-render.png" >/dev/null 2>&1
diff=$(compare -metric AE "$work/x11.png" "$work/x11-render.png" null: 2>&1 || true)
[[ "$diff" == "0" ]] || fail "the X11 wallpaper and the renderer differ in $diff pixels at tick $tick"
wallpaper=$(xdotool search --name '^Pellwick$' | head -n 1)
xprop -id "$wallpaper" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_DESKTOP || fail "the wallpaper's window is not of the desktop's type"
xprop -id "$wallpaper" _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR || fail "the wallpaper's window is in the taskbar"
"$build/tests/host_window" 200x150 >/dev/null &
host=$!
sleep 1
xdotool mousemove 600 20 click 1 sleep 0.2 click 1
sleep 0.5
shot "$work/x11-clicked.png"
magenta=$(convert "$work/x11-clicked.png" -fill black +opaque '#FF00FF' -fill white -opaque '#FF00FF' -format '%[fx:int(mean*w*h+0.5)]' info:)
(( magenta == 200 * 150 )) || fail "after clicks on the wallpaper, $magenta of the normal window's 30000 pixels show"
stack=$(xprop -root _NET_CLIENT_LIST_STACKING)
[[ "$stack" == *"$(printf '0x%x' "$wallpaper")"* ]] || fail "openbox does not manage the wallpaper's window: $stack"
kill "$host"
kill -0 "$APP_PID" 2>/dev/null || fail "clicks ended the X11 wallpaper"
stop_app
echo "the X11 wallpaper is the renderer's picture at tick $tick, and stays below a normal window it is clicked beside"
# With --rest pause, under a full-screen window it sleeps.
start "$build/pellwick" --wallpaper --seed 5 --first-game 1000 --rest pause
sleep 1
"$build/tests/host_window" 200x150 fullscreen >/dev/null &
host=$!
sleep 1.5
before=$(wakes)
sleep 2
after=$(wakes)
kill "$host"
(( after - before <= 10 )) || fail "under a full-screen window with --rest pause, the X11 wallpaper woke $((after - before)) times in 2 s"
stop_app
echo "under a full-screen window with --rest pause it woke $((after - before)) times in 2 s"
kill "$WM_PID"
stop_xvfb
trap 'rm -rf "$work"' EXIT

echo "== Wayland, under sway"
source "$here/sway.sh"
# A normal window floats at the output's centre, a quarter of it, so that the wallpaper shows around it.
start_sway "default_border none
output HEADLESS-1 mode 640x480 position 0 0 scale 1
output HEADLESS-2 mode 800x600 position 640 0 scale 2
for_window [app_id=\"pellwick\"] floating enable, resize set 320 240, move position 160 120"
trap 'stop_sway; rm -rf "$work"' EXIT
LAYOUT="1040 480"

# wallpaper_ticks: the tick each output shows, its seed 5 or 6 (each output its own); "ONE TWO".
wallpaper_ticks() {
  local one two
  one=$(shown_tick HEADLESS-1 640x480 5 2>/dev/null || shown_tick HEADLESS-1 640x480 6)
  two=$(shown_tick HEADLESS-2 800x600 6 2>/dev/null || shown_tick HEADLESS-2 800x600 5)
  echo "$one $two"
}

# cover_both: a full-screen window over each of the two outputs; uncover: they go.
cover_both() {
  swaymsg -q focus output HEADLESS-1; "$build/pellwick" & cover1=$!; wait_app_id 1
  swaymsg -q focus output HEADLESS-2; "$build/pellwick" & cover2=$!; wait_app_id 2
  swaymsg -q '[app_id=pellwick] fullscreen enable'
  sleep 0.5
}
uncover() {
  kill "$cover1" "$cover2"
  wait "$cover1" "$cover2" 2>/dev/null || true
  sleep 0.5
}
# covered REST: starts the wallpaper under the covers; prints its wake-ups in 2 s after a second there,
# and the tick its second output shows once uncovered: "WAKES TICK".
covered() {
  local before after tick
  cover_both
  start "$build/pellwick" --wallpaper --seed 5 --first-game 1000 --rest "$1"
  sleep 1
  before=$(wakes)
  sleep 2
  after=$(wakes)
  uncover
  read -r _ tick <<<"$(wallpaper_ticks)"
  stop_app
  echo "$((after - before)) $tick"
}
read -r kept_wakes kept_tick <<<"$(covered keep)"
read -r paused_wakes paused_tick <<<"$(covered pause)"
(( kept_tick >= 150 )) || fail "covered for 3 s with --rest keep, the game reached only tick $kept_tick"
(( paused_tick <= 100 )) || fail "covered for 3 s with --rest pause, the game reached tick $paused_tick, as if not paused"
(( paused_wakes <= 10 )) || fail "covered with --rest pause, the wallpaper woke $paused_wakes times in 2 s"
echo "covered for 3 s: --rest keep kept time (tick $kept_tick, $kept_wakes wake-ups in 2 s); --rest pause held it (tick $paused_tick, $paused_wakes wake-ups in 2 s)"

start "$build/pellwick" --wallpaper --seed 5 --first-game 1000
sleep 1
read -r one two <<<"$(wallpaper_ticks)"
sleep 2
read -r one2 two2 <<<"$(wallpaper_ticks)"
(( two2 - two >= 80 && two2 - two <= 200 )) || fail "the wallpaper went from tick $two to $two2 in 2 s, not about 120"
echo "a background layer on each output, the renderer's picture (ticks $one and $two); 2 s later tick $two2"

swaymsg -q focus output HEADLESS-1
"$build/pellwick" &
window=$!
wait_app_id 1
# window_tick: the tick the window's picture shows, 0 when it shows none yet.
window_tick() {
  wl_shot HEADLESS-1 "$work/behind.png"
  convert "$work/behind.png" -crop 320x240+160+120 +repage "$work/window.png"
  "$probe" tick "$work/window.png" 20000 || echo 0
}
shown=0
for _ in $(seq 20); do  # mapped, its first frames may still be on their way on a busy machine
  shown=$(window_tick)
  (( shown > 0 )) && break
  sleep 0.2
done
(( shown > 0 )) || fail "the normal window is not shown over the wallpaper"
convert "$work/behind.png" -crop 160x120+0+0 +repage -format '%[fx:int(mean*1000)]' info: > "$work/corner"
(( $(cat "$work/corner") < 1000 )) || fail "the wallpaper does not show around the window"
"$build/tests/wl_pointer" $LAYOUT move 320 240 click
sleep 0.5
wl_shot HEADLESS-1 "$work/clicked.png"
convert "$work/clicked.png" -crop 320x240+160+120 +repage "$work/window-game.png"
# Teams other than the first show only once a game started; on so small a field one of them may be
# walled in at its start, so any of them will do.
counts=$("$probe" counts "$work/window-game.png")
grep -qE '"team[123]":[1-9]' <<<"$counts" || fail "a click on the window started no game: $counts"
"$build/tests/wl_pointer" $LAYOUT move 20 460 click sleep 100 click
sleep 0.5
kill -0 "$window" 2>/dev/null || fail "a double-click on the wallpaper reached the window"
kill "$window"
wait "$window" 2>/dev/null || true
read -r one3 two3 <<<"$(wallpaper_ticks)"
echo "the window over it showed and took a click; a double-click on the wallpaper reached nobody (ticks $one3 and $two3)"

swaymsg -q create_output
sleep 1
shown_tick HEADLESS-3 1920x1080 7 >/dev/null || fail "the output added shows no tick of seed 7's game"
echo "an output added got its own game, seed 7"
stop_app
echo "SIGTERM ended it with 0"

echo "PASS"
