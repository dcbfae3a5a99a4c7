#!/usr/bin/env bash
# End-to-end: pellwick --idle, driven as a user's desktop drives it. Under Xvfb (MIT-SCREEN-SAVER, activity
# from xdotool), under headless sway (org_kde_kwin_idle, activity from a virtual pointer) and under headless
# Mutter on a session bus of its own (idle_gnome.sh: GNOME's idle monitor and screen saver): idle for the
# set time, the saver covers every output and shows the renderer's picture of its seed; input ends it
# within a second; idle again, it comes again; five cycles leave one process and no windows; while it only
# watches it wakes at most about once a second; under sway, a window that holds idling off (as a video
# player does) keeps the saver away, and under X11 so does a program that suspends the server's screen saver; while the login manager (a stand-in logind on a system bus of the
# test's own) has the session locked, even from before the watcher started, no saver starts and one that
# plays rests; SIGTERM ends it with 0.
# Usage: idle_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(dirname "$0")
source "$here/xvfb.sh"
source "$here/sway.sh"
work=$(mktemp -d)
probe=$build/tests/screen_probe
IDLE=0.05  # minutes: 3 s
# fail, saying also what the programs said (after xvfb.sh's and sway.sh's own).
fail() {
  echo "FAIL: $*" >&2
  local f
  for f in "$work"/*.err; do [[ -s $f ]] && { echo "--- $f:"; tail -n 5 "$f"; }; done >&2
  exit 1
}

# cycles COUNT SAVER_UP SAVER_GONE ACTIVITY: COUNT times, waits (up to 15 s) until SAVER_UP succeeds, then
# makes ACTIVITY N and waits up to a second for SAVER_GONE; one process all along.
cycles() {
  local c _ t0
  for c in $(seq "$1"); do
    for _ in $(seq 150); do $2 && break; sleep 0.1; done
    $2 || fail "cycle $c: no saver after 15 s idle"
    [[ $c == 1 ]] && first_saver
    $4 "$c"
    t0=$(date +%s%N)
    for _ in $(seq 10); do $3 && break; sleep 0.1; done
    $3 || fail "cycle $c: the saver was still there a second after the input"
    kill -0 "$APP_PID" 2>/dev/null || fail "cycle $c: the watcher ended with the saver"
    (( $(ls /proc/"$APP_PID"/task | wc -l) == 1 )) || fail "cycle $c: threads were left behind"
    echo "cycle $c: the saver came after idling and went $(( ($(date +%s%N) - t0) / 1000000 )) ms after the input"
  done
  [[ -z "$(pgrep -P "$APP_PID")" ]] || fail "the watcher left processes of its own after $1 cycles"
}

# watching_wakes: the watcher's wake-ups in 2 s right after input, while it waits for the next idle time.
watching_wakes() {
  local w0 w1
  w0=$(wakes); sleep 2; w1=$(wakes)
  (( w1 - w0 <= 6 )) || fail "watching, it woke $((w1 - w0)) times in 2 s"
  echo "watching, it woke $((w1 - w0)) times in 2 s"
}

# ---- X11 ----
x11_up() { xdotool search --onlyvisible --name '^Pellwick$' >/dev/null 2>&1; }
x11_gone() { ! xwininfo -root -children | grep -q '"Pellwick"'; }
x11_move() { xdotool mousemove $((20 + 30 * $1)) 100; }
first_saver() {
  local tick diff
  tick=$(shot_tick "$work/x11.png" "$probe" 20000 11) || fail "the X11 saver matches no tick of seed 11's game"
  "$build/pellwick-render" --size 320x240 --ticks "$tick" --seed 11 --png "$work/render.png" >/dev/null 2>&1
  diff=$(compare -metric AE "$work/x11.png" "$work/render.png" null: 2>&1 || true)
  [[ "$diff" == "0" ]] || fail "the X11 saver and the renderer differ in $diff pixels at tick $tick"
  echo "X11: the saver shows the renderer's picture of seed 11 at tick $tick"
}
# The login manager: a system bus of the test's own, on which logind_standin says what logind would.
DBUS_SYSTEM_BUS_ADDRESS=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>"$work/bus.pid")
export DBUS_SYSTEM_BUS_ADDRESS XDG_SESSION_ID=c7
session() { "$build/tests/logind_standin" "$1" || fail "the stand-in logind could not say $1"; }
# rests WHAT ON OFF: the saver plays; ON blanks or locks the desktop and it rests (fewer wake-ups in 2 s
# than playing in 1: as --rest keep allows, no frames); OFF, and it plays again (more in 1 s than resting in 2).
rests() {
  local w0 w1 w2 w3 w4 w5
  w0=$(wakes); sleep 1; w1=$(wakes)
  $2
  sleep 1
  w2=$(wakes); sleep 2; w3=$(wakes)
  (( w3 - w2 < w1 - w0 )) || fail "$1: the saver woke $((w3 - w2)) times in 2 s, playing $((w1 - w0)) in 1 s"
  $3
  sleep 0.5
  w4=$(wakes); sleep 1; w5=$(wakes)
  (( w5 - w4 > w3 - w2 )) || fail "$1: once it went, the saver woke only $((w5 - w4)) times in 1 s, resting $((w3 - w2)) in 2 s"
  echo "$1: the saver woke $((w1 - w0)) times in 1 s; meanwhile it rested ($((w3 - w2)) in 2 s), then played again ($((w5 - w4)) in 1 s)"
}
session_rests() { rests "$1, the session locked" "session lock" "session unlock"; }
# held_off WHERE UP GONE MOVE WORD WHAT COMMAND...: COMMAND holds idling off, saying WORD once it does;
# three times the idle time pass with no saver; once it ends, the saver comes.
held_off() {
  local where=$1 up=$2 gone=$3 move=$4 word=$5 what=$6 holder
  shift 6
  "$@" >"$work/holder.out" &
  holder=$!
  for _ in $(seq 100); do grep -q "$word" "$work/holder.out" && break; sleep 0.1; done
  grep -q "$word" "$work/holder.out" || fail "$where: $what: it did not start"
  $move 8
  sleep 9
  $gone || fail "$where: the saver started while $what"
  echo "$where: 9 s idle while $what, and no saver"
  kill "$holder"
  wait "$holder" 2>/dev/null || true
  for _ in $(seq 150); do $up && break; sleep 0.1; done
  $up || fail "$where: no saver once that ended"
  echo "$where: once that ended, the saver came"
}

start_xvfb 320x240
trap 'stop_xvfb; kill "$(cat "$work/bus.pid")" 2>/dev/null || true; rm -rf "$work"' EXIT
"$build/pellwick" --idle "$IDLE" --seed 11 2>"$work/x11.err" &
APP_PID=$!
cycles 5 x11_up x11_gone x11_move
watching_wakes
# A program suspends the server's screen saver (as a video player does).
held_off X11 x11_up x11_gone x11_move suspending "a program suspended the server's screen saver" "$build/tests/x_suspender"
x11_move 9
# The session locked while it watches: three times the idle time pass with no saver; unlocked, it comes.
session lock
sleep 9
x11_gone || fail "the saver started while the session was locked"
echo "X11: 9 s idle with the session locked, and no saver"
session unlock
x11_move 10
for _ in $(seq 150); do x11_up && break; sleep 0.1; done
x11_up || fail "no saver once the session was unlocked"
session_rests X11
rests "X11, the server's own screen saver on" "xset s activate" "xset s reset"
x11_up || fail "the server's own screen saver ended the saver"
x11_move 11
kill "$APP_PID"
wait_exit 3
echo "X11: five cycles, then SIGTERM ended it with 0"
# A session locked before the watcher starts (logind's LockedHint says so): no saver.
"$build/tests/logind_standin" locked >"$work/locked.out" &
standin=$!
for _ in $(seq 50); do grep -q locked "$work/locked.out" && break; sleep 0.1; done
"$build/pellwick" --idle "$IDLE" 2>"$work/x11-locked.err" &
APP_PID=$!
sleep 7
x11_gone || fail "the saver started over a session locked before the watcher"
echo "X11: the session locked before the watcher started: 7 s idle, and no saver"
kill "$APP_PID"
wait_exit 3
kill "$standin"
wait "$standin" 2>/dev/null || true
stop_xvfb

# ---- Wayland (sway 1.7: org_kde_kwin_idle) ----
start_sway "default_border none
output HEADLESS-1 mode 640x480 position 0 0 scale 1
output HEADLESS-2 mode 800x600 position 640 0 scale 2"
trap 'stop_sway; kill "$(cat "$work/bus.pid")" 2>/dev/null || true; rm -rf "$work"' EXIT
savers() { swaymsg -t get_tree | grep -c '"app_id": "pellwick"' || true; }
wl_up() { [[ $(savers) == 2 ]]; }
wl_gone() { [[ $(savers) == 0 ]]; }
wl_move() { "$build/tests/wl_pointer" 1040 480 move $((100 + 40 * $1)) 100; }
first_saver() {
  local tick
  sleep 0.5
  tick=$(shown_tick HEADLESS-1 640x480 21)
  echo "Wayland: the saver covers both outputs; the first shows the renderer's picture of seed 21 at tick $tick"
}
"$build/pellwick" --idle "$IDLE" --seed 21 2>"$work/wl.err" &
APP_PID=$!
cycles 5 wl_up wl_gone wl_move
watching_wakes
# A window that holds idling off, as a video player does.
held_off Wayland wl_up wl_gone wl_move inhibiting "a window held idling off" "$build/tests/wl_inhibitor"
session_rests Wayland
wl_move 10
kill "$APP_PID"
wait_exit 3
echo "Wayland: five cycles, then SIGTERM ended it with 0"
stop_sway

kill "$(cat "$work/bus.pid")"
unset DBUS_SYSTEM_BUS_ADDRESS XDG_SESSION_ID

# ---- ext-idle-notify-v1, against a compositor of the test's own ----
# It offers a seat and the idle notifier alone: the watcher asks it for the set time, and on `idled`
# starts the saver, which finds no wl_compositor there and says so. Its clients: the probe that chose
# Wayland, the watcher, the saver.
export XDG_RUNTIME_DIR=$work/rt WAYLAND_DISPLAY=idle-test
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$build/tests/idle_server" idle-test >"$work/server.log" &
server=$!
for _ in $(seq 50); do grep -q listening "$work/server.log" && break; sleep 0.1; done
status=0
timeout 20 "$build/pellwick" --idle "$IDLE" 2>"$work/ext.err" || status=$?
kill "$server"
wait "$server" 2>/dev/null || true
[[ $(tr '\n' '|' <"$work/server.log") == "listening|client 1 connected|client 2 connected|notification after 3000 ms|idled|client 3 connected|" ]] ||
  fail "ext-idle-notify-v1: the compositor saw: $(tr '\n' '|' <"$work/server.log")"
grep -q "offers no wl_compositor" "$work/ext.err" && [[ $status == 1 ]] ||
  fail "ext-idle-notify-v1: the saver did not start on idled (status $status): $(cat "$work/ext.err")"
echo "ext-idle-notify-v1: asked for 3000 ms, and on idled started the saver (which said: $(cat "$work/ext.err"))"

# ---- GNOME (Mutter's idle monitor on the session bus) ----
dbus-run-session -- "$here/idle_gnome.sh" "$build" 2> >(grep -v "Failed to set fd limit" >&2)
