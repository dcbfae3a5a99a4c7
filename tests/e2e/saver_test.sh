#!/usr/bin/env bash
# End-to-end: saver mode under Xvfb. Bad input ends with status 2 and opens nothing; --window-id draws the
# game into a window the test owns, makes its first game after its ticks, as the renderer plays that run,
# and ends on SIGTERM, SIGINT or the window going away; --speed sets the ticks a second; --zoom 2 shows
# the renderer's picture enlarged by nearest neighbour; on a stand-in
# battery --on-battery pauses or slows the game; wholly covered, it keeps time without drawing (--rest keep)
# or sleeps (--rest pause); under Debian's XScreenSaver daemon the screen is exactly the game, the hack
# opens no window, and it goes when the daemon stops it, ten times over; on a server without MIT-SHM it
# says so and the screen is still exactly the game; --saver covers two monitors with a game each (or one
# game across both with --monitors span), covers the screen again when RandR changes it, and ends on a
# key, a button or a move; on a 16-bit screen it says it cannot draw there.
# Usage: saver_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(dirname "$0")
source "$here/xvfb.sh"
source "$here/daemon.sh"
work=$(mktemp -d)
chmod 755 "$work"
W=640 H=480
cleanup() { stop_daemon; stop_xvfb; [[ -n "${HOST_PID:-}" ]] && kill "$HOST_PID" 2>/dev/null; rm -rf "$work"; true; }
# restart_xvfb ARGS...: a new server for the next part; start_xvfb sets a trap of its own, so ours is set again.
restart_xvfb() {
  stop_xvfb
  start_xvfb "$@"
  trap cleanup EXIT
}
start_xvfb "${W}x${H}"
trap cleanup EXIT

top_windows() { xwininfo -root -children | grep -cE '^ +0x' || true; }

echo "== bad input"
before=$(top_windows)
for args in "--bogus" "--window-id 12ab" "--window-id 0x7fffff0"; do
  status=0
  # shellcheck disable=SC2086
  "$build/pellwick" $args 2> "$work/err" || status=$?
  [[ $status -eq 2 ]] || fail "pellwick $args ended with status $status, not 2"
  [[ $(wc -l < "$work/err") -eq 1 ]] || fail "pellwick $args said more than one line: $(cat "$work/err")"
  echo "pellwick $args: $(cat "$work/err")"
done
status=0
XSCREENSAVER_WINDOW=nonsense "$build/pellwick" 2>/dev/null || status=$?
[[ $status -eq 2 ]] || fail "a malformed XSCREENSAVER_WINDOW ended with status $status"
[[ $(top_windows) -eq $before ]] || fail "bad input opened a window"

# start_host WxH: a window of the test's own; sets HOST_ID and HOST_PID.
start_host() {
  "$build/tests/host_window" "$1" > "$work/host.id" &
  HOST_PID=$!
  for _ in $(seq 50); do [[ -s "$work/host.id" ]] && break; sleep 0.1; done
  HOST_ID=$(cat "$work/host.id")
  [[ -n "$HOST_ID" ]] || fail "the test's window did not appear"
}

# start_saver ARGS...: the program in saver mode; sets APP_PID (as xvfb.sh's helpers expect).
start_saver() {
  "$build/pellwick" "$@" &
  APP_PID=$!
}

echo "== --window-id"
start_host 320x240
start_saver --window-id "$HOST_ID" --first-game 2 --new-game 0 --seed 0
sleep 0.7
# A picture taken while a frame is being put on the window matches no tick, so it tries a few times.
for _ in 1 2 3 4; do
  import -window "$HOST_ID" "$work/early.png"
  tick=$("$build/tests/screen_probe" tick "$work/early.png" 5000) && break
  sleep 0.1
done
[[ $(identify -format %wx%h "$work/early.png") == 320x240 ]] || fail "the picture is not 320x240"
[[ -n "${tick:-}" ]] || fail "the window does not show the game before the first click"
echo "the 320x240 window shows the game before its first click, at tick $tick"
sleep 2.3
# The first game comes after 2000 ticks, whenever frames came: the screen is the renderer's picture of the
# same seed and schedule at some tick after it.
for _ in 1 2 3 4; do
  import -window "$HOST_ID" "$work/late.png"
  tick=$("$build/tests/screen_probe" saver "$work/late.png" 9000 0 2 0) && break
  sleep 0.1
done
[[ -n "${tick:-}" && $tick -gt 2000 ]] || fail "after its first game the window shows no tick of the saver's run (${tick:-none})"
"$build/pellwick-render" --size 320x240 --ticks "$tick" --seed 0 --first-game 2 --new-game 0 --png "$work/rendered.png" >/dev/null
differ=$(compare -metric AE "$work/late.png" "$work/rendered.png" null: 2>&1) || true
[[ $differ == 0 ]] || fail "the window differs from pellwick-render's picture at tick $tick in $differ pixels"
counts=$(teams_in "$build/tests/screen_probe" "$work/late.png" "no automatic game after 2 s")
echo "the first automatic game came after 2000 ticks: the window is pellwick-render's picture at tick $tick, $counts"
xdotool windowsize "$HOST_ID" 400 300
sleep 0.6
import -window "$HOST_ID" "$work/resized.png"
counts=$("$build/tests/screen_probe" counts "$work/resized.png")
[[ $(identify -format %wx%h "$work/resized.png") == 400x300 ]] || fail "the resized window's picture is not 400x300"
grep -q '"other":0' <<<"$counts" || fail "after a resize to 400x300 part of the window is not the game's: $counts"
echo "the field followed the window to 400x300: $counts"
kill -TERM "$APP_PID"
wait_exit 1
echo "SIGTERM ended it with status 0"

start_saver --window-id "$HOST_ID"
sleep 0.5
kill -INT "$APP_PID"
wait_exit 1
echo "SIGINT ended it with status 0"

# host_shot FILE: a picture of the test's window. shown_after ARGS...: starts the saver in it with ARGS
# (no game of its own, seed 0), and after 2 s prints the tick its picture shows (-1 for none), and ends it.
host_shot() { import -window "$HOST_ID" "$1"; }
shown_after() {
  local tick=
  start_saver --window-id "$HOST_ID" --first-game 1000 --seed 0 "$@"
  sleep 2
  for _ in 1 2 3 4; do
    host_shot "$work/after.png"
    tick=$("$build/tests/screen_probe" tick "$work/after.png" 5000) && break
    sleep 0.1
  done
  kill -TERM "$APP_PID"
  wait_exit 1
  echo "${tick:--1}"
}

# --speed 100: two seconds play about 200 ticks (the game starts with the window's first frame).
slow=$(shown_after --speed 100)
(( slow >= 120 && slow <= 260 )) || fail "--speed 100 played $slow ticks in 2 s (-1: none we know), not about 200"
echo "--speed 100 played $slow ticks in 2 s"

echo "== zoom"
# --zoom 2 in the 400x300 window: a 200x150 field, each pixel a 2x2 square: the renderer's picture
# enlarged by nearest neighbour, pixel for pixel.
start_saver --window-id "$HOST_ID" --zoom 2 --first-game 1000 --seed 0
sleep 0.8
zoomed=$(zoomed_tick 2 "$build/tests/screen_probe" "$build/pellwick-render" "$work" host_shot)
kill -TERM "$APP_PID"
wait_exit 1
echo "with --zoom 2 the window is pellwick-render's ${zoomed#* } picture at tick ${zoomed% *}, each pixel a 2x2 square"

echo "== on battery"
# A stand-in for sysfs's power supplies: a battery discharging, the mains off line.
mkdir -p "$work/power/BAT0" "$work/power/AC"
echo Battery > "$work/power/BAT0/type"; echo Discharging > "$work/power/BAT0/status"
echo Mains > "$work/power/AC/type"; echo 0 > "$work/power/AC/online"
export PELLWICK_POWER_SUPPLY="$work/power"
paused=$(shown_after --on-battery pause) slowed=$(shown_after --on-battery slow)
unset PELLWICK_POWER_SUPPLY
(( paused >= 0 && paused <= 1 )) || fail "on battery with --on-battery pause the game played $paused ticks"
(( slowed >= 300 && slowed <= 600 )) || fail "on battery with --on-battery slow the game played $slowed ticks in 2 s, not about 500"
echo "on battery, --on-battery pause held the game at tick $paused and slow played $slowed ticks in 2 s"

echo "== at rest, covered"
# covered_wakes REST: the saver's wake-ups a second while another window wholly covers the one it draws in.
covered_wakes() {
  local cover before after
  start_saver --window-id "$HOST_ID" --rest "$1" --first-game 1000 --seed 0
  sleep 0.8
  "$build/tests/host_window" 400x300 > /dev/null &
  cover=$!
  sleep 1
  before=$(wakes)
  sleep 2
  after=$(wakes)
  kill "$cover"
  wait "$cover" 2>/dev/null || true
  sleep 0.5
  import -window "$HOST_ID" "$work/uncovered.png"
  "$build/tests/screen_probe" tick "$work/uncovered.png" 20000 >/dev/null || fail "uncovered again, the window (--rest $1) shows no tick of the game"
  kill -TERM "$APP_PID"
  wait_exit 1
  echo $(( (after - before) / 2 ))
}
kept=$(covered_wakes keep) paused=$(covered_wakes pause)
(( paused <= 5 )) || fail "covered with --rest pause, the saver woke $paused times a second"
(( kept > paused )) || fail "covered with --rest keep, the saver woke no more than paused ($kept against $paused)"
echo "covered, the saver woke $kept times a second with --rest keep (its game keeping time) and $paused with pause; uncovered, it shows the game again"

echo "== seeds"
# seeded_tick ARGS...: a saver whose first game comes before its first tick; prints the seed it played
# (the one given, or the one it said it drew) and the tick of that seed's game its window shows.
seeded_tick() {
  start_saver --window-id "$HOST_ID" --first-game 0 --new-game 0 "$@" 2> "$work/seed.err"
  sleep 0.8
  local seed shown=
  seed=$(sed -n 's/^pellwick: playing seed \([0-9]*\) (--seed \1 plays this run again)$/\1/p' "$work/seed.err")
  [[ -n "$seed" || $# -eq 0 ]] || seed=$2
  [[ -n "$seed" ]] || fail "a saver without a seed did not name the one it drew: $(cat "$work/seed.err")"
  for _ in 1 2 3 4; do
    import -window "$HOST_ID" "$work/seeded.png"
    shown=$("$build/tests/screen_probe" game "$work/seeded.png" 5000 "$seed") && break
    sleep 0.1
  done
  kill -TERM "$APP_PID"
  wait_exit 1
  [[ -n "$shown" ]] || fail "the window shows no tick of seed $seed's game"
  echo "$seed $shown"
}
first=$(seeded_tick) second=$(seeded_tick)
[[ ${first% *} != "${second% *}" ]] || fail "two starts without a seed both played seed ${first% *}"
echo "two starts without a seed drew seeds ${first% *} and ${second% *}, and each showed its own game"
for run in 1 2; do
  shown=$(seeded_tick --seed 18446744073709551557)
  [[ $(wc -l < "$work/seed.err") -eq 0 ]] || fail "a saver given its seed said: $(cat "$work/seed.err")"
done
echo "two starts with --seed 18446744073709551557 both showed that seed's game (the second at tick ${shown#* })"

start_saver --window-id "$HOST_ID"
sleep 0.5
kill "$HOST_PID"
wait "$HOST_PID" 2>/dev/null || true
HOST_PID=
wait_exit 1
echo "the window going away ended it with status 0"

echo "== under the XScreenSaver daemon"
# The daemon runs as an unprivileged user, which may not reach the build folder: the hack runs from here.
mkdir -p "$work/hack"
cp "$build/pellwick" "$work/hack/pellwick"
chmod 755 "$work/hack" "$work/hack/pellwick"
hack="$work/hack/pellwick"
start_daemon "$hack --root"
saver_command -activate
for _ in $(seq 50); do [[ -n $(hack_pids "$hack") ]] && break; sleep 0.1; done
[[ -n $(hack_pids "$hack") ]] || fail "the daemon did not start the hack: $(tail -n 5 "$SAVER_HOME/log")"
sleep 1.5
# The hack drew its own seed and said so; the daemon keeps that line in its log.
seed=$(sed -n 's/.*pellwick: playing seed \([0-9]*\) .*/\1/p' "$SAVER_HOME/log" | tail -n 1)
[[ -n "$seed" ]] || fail "the daemon's log names no seed: $(tail -n 5 "$SAVER_HOME/log")"
tick=$(shot_tick "$work/daemon.png" "$build/tests/screen_probe" 20000 "$seed") || fail "the screen shows no tick of seed $seed's game"
"$build/pellwick-render" --size "${W}x${H}" --ticks "$tick" --seed "$seed" --png "$work/render.png" >/dev/null 2>&1
diff=$(compare -metric AE "$work/daemon.png" "$work/render.png" null: 2>&1 || true)
[[ "$diff" == "0" ]] || fail "screen and renderer differ in $diff pixels at tick $tick"
echo "the daemon's log names seed $seed, and the screen is pellwick-render --seed $seed's picture at tick $tick"
if xwininfo -root -children | grep -q '"Pellwick"'; then fail "the hack opened a window of its own"; fi
echo "no window of ours: $(xwininfo -root -children | grep -oE '"[^"]+": \(' | sort -u | tr '\n' ' ')"

saver_command -deactivate
await_hacks_end "$hack" || fail "after -deactivate our hack outlived its stop"
echo "after -deactivate the hack ended once the daemon stopped it"

for cycle in $(seq 10); do
  saver_command -activate
  sleep 0.6
  saver_command -deactivate
  sleep 0.3
done
await_hacks_end "$hack" || fail "ten activate/deactivate cycles: our hack outlived its stop"
launched=$(grep -c "forked \"$hack" "$SAVER_HOME/log" || true)
(( launched >= 10 )) || fail "the daemon launched the hack only $launched times"
echo "ten activate/deactivate cycles ($launched launches): every hack ended once the daemon stopped it"

echo "== --saver over two monitors"
stop_daemon
xrandr --setmonitor L 320/80x480/120+0+0 screen >/dev/null
xrandr --setmonitor R 320/80x480/120+320+0 none >/dev/null
ours() { xwininfo -root -children | grep -c '"Pellwick"' || true; }
xdotool mousemove 100 100  # where the pointer is when the saver starts: moves are measured from here
start_saver --saver --seed 7
sleep 1.5
[[ $(ours) -eq 2 ]] || fail "--saver on two monitors made $(ours) windows"
for side in 0:7 320:8; do
  shown=
  for _ in 1 2 3 4; do
    import -window root -crop "320x480+${side%:*}+0" +repage "$work/monitor.png"
    shown=$("$build/tests/screen_probe" tick "$work/monitor.png" 5000 "${side#*:}") && break
    sleep 0.1
  done
  [[ -n "$shown" ]] || fail "the monitor at x=${side%:*} shows no tick of seed ${side#*:}'s game"
done
xdotool mousemove 102 103 sleep 0.3 mousemove 99 100 sleep 0.3
kill -0 "$APP_PID" 2>/dev/null || fail "a jitter of the pointer ended --saver"
xdotool key a
wait_exit 3
[[ $(ours) -eq 0 ]] || fail "--saver left $(ours) windows behind"
echo "--saver covered both monitors with seeds 7 and 8, and a key ended it"
for gesture in "mousemove 100 100 sleep 0.3 mousemove 160 100" "click 3"; do
  start_saver --saver 2>/dev/null
  sleep 1
  # shellcheck disable=SC2086
  xdotool $gesture
  wait_exit 3
done
echo "a move of the pointer and a button ended --saver"
# --monitors span: one window and one game across both monitors.
start_saver --saver --monitors span --seed 7
sleep 1.2
[[ $(ours) -eq 1 ]] || fail "--saver --monitors span on two monitors made $(ours) windows"
xwininfo -root -children | grep -q '"Pellwick".*640x480+0+0' || fail "the spanning window does not cover both monitors"
shown=$(shot_tick "$work/span.png" "$build/tests/screen_probe" 5000 7) || fail "the spanning window shows no tick of seed 7's game over 640x480"
xdotool key a
wait_exit 3
echo "--monitors span played one game of seed 7 over both monitors (tick $shown)"
# The screen shrinks under it (RandR): the monitors are covered again, the new one with the next seed.
restart_xvfb "${W}x${H}"
start_saver --saver --seed 7
sleep 1
xrandr --fb 320x240 >/dev/null 2>&1 || true  # the output no longer fits and goes: the screen is the monitor
sleep 0.7
xwininfo -root -children | grep -q '"Pellwick".*320x240+0+0' || fail "after the screen shrank, no window covers it: $(xwininfo -root -children | grep Pellwick)"
[[ $(ours) -eq 1 ]] || fail "after the screen shrank, $(ours) windows"
shown=$(shot_tick "$work/shrunk.png" "$build/tests/screen_probe" 5000 8) || fail "the window over the shrunk screen shows no tick of seed 8's game"
xdotool key a
wait_exit 3
echo "when the screen shrank, --saver covered it again with seed 8's game"

echo "== without shared memory"
restart_xvfb "${W}x${H}" -extension MIT-SHM
"$build/pellwick" --root --first-game 100 --seed 0 2> "$work/noshm.err" &
APP_PID=$!
sleep 1.5
grep -q "no MIT-SHM extension; sending pixels through the connection" "$work/noshm.err" ||
  fail "without MIT-SHM the saver did not say it falls back: $(cat "$work/noshm.err")"
tick=$(shot_tick "$work/noshm.png" "$build/tests/screen_probe" 20000) || fail "without MIT-SHM the screen shows no tick of the game"
"$build/pellwick-render" --size "${W}x${H}" --ticks "$tick" --png "$work/render.png" >/dev/null 2>&1
diff=$(compare -metric AE "$work/noshm.png" "$work/render.png" null: 2>&1 || true)
[[ "$diff" == "0" ]] || fail "without MIT-SHM, screen and renderer differ in $diff pixels at tick $tick"
echo "without MIT-SHM it said so, and the screen is pellwick-render's picture at tick $tick"
kill -TERM "$APP_PID"
wait_exit 1

echo "== a 16-bit screen"
restart_xvfb "${W}x${H}x16"
status=0
"$build/pellwick" --root 2> "$work/depth16.err" || status=$?
[[ $status -eq 1 ]] || fail "on a 16-bit screen the saver ended with status $status, not 1"
[[ $(wc -l < "$work/depth16.err") -eq 1 ]] || fail "on a 16-bit screen it said more than one line: $(cat "$work/depth16.err")"
grep -q "not 8-bit true colour" "$work/depth16.err" || fail "on a 16-bit screen it said: $(cat "$work/depth16.err")"
echo "on a 16-bit screen: $(cat "$work/depth16.err"), status 1"
