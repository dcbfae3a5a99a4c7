#!/usr/bin/env bash
# The idle watcher on GNOME: headless Mutter on a session bus of its own (run it under dbus-run-session),
# activity through Mutter's remote desktop. Idle for the set time, the saver plays (its game thread runs);
# input ends it within a second; five cycles leave one process; when GNOME's screen saver comes on (a
# stand-in says so on the bus, as GNOME's does) a saver that plays rests (no frames; with --rest pause
# about a wake-up a second) and one that does not yet play does not start; SIGTERM ends it with 0.
# Usage: dbus-run-session -- idle_gnome.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source "$(dirname "$0")/xvfb.sh"  # fail, wait_exit, wakes
command -v mutter >/dev/null || { echo "mutter is not installed; skipping"; exit 77; }
export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
mutter --headless --wayland --no-x11 --virtual-monitor 800x600 >"$XDG_RUNTIME_DIR/mutter.log" 2>&1 &
MUTTER_PID=$!
trap 'kill "$MUTTER_PID" 2>/dev/null; [[ -n "${APP_PID:-}" ]] && kill "$APP_PID" 2>/dev/null; rm -rf "$XDG_RUNTIME_DIR"' EXIT
idle_ms() { gdbus call --session --dest org.gnome.Mutter.IdleMonitor --object-path /org/gnome/Mutter/IdleMonitor/Core \
              --method org.gnome.Mutter.IdleMonitor.GetIdletime 2>/dev/null; }
for _ in $(seq 150); do [[ -S "$XDG_RUNTIME_DIR/wayland-0" ]] && idle_ms >/dev/null && break; sleep 0.1; done
idle_ms >/dev/null || fail "headless Mutter did not start: $(tail -5 "$XDG_RUNTIME_DIR/mutter.log")"
export WAYLAND_DISPLAY=wayland-0

"$build/pellwick" --idle 0.05 --rest pause 2>"$XDG_RUNTIME_DIR/err" &
APP_PID=$!
playing() { (( $(ls /proc/"$APP_PID"/task | wc -l) > 1 )); }  # the saver's game thread
watching() { ! playing; }
starts() { grep -c "playing seed" "$XDG_RUNTIME_DIR/err" || true; }
move() { "$build/tests/mutter_input" move $((10 + $1)) 10 sleep 50 move 20 0; }
for c in $(seq 5); do
  for _ in $(seq 150); do playing && break; sleep 0.1; done
  playing || fail "cycle $c: no saver after 15 s idle: $(cat "$XDG_RUNTIME_DIR/err")"
  sleep 1  # its surface shown and under the pointer
  move "$c"
  for _ in $(seq 10); do watching && break; sleep 0.1; done
  watching || fail "cycle $c: the saver still played a second after the input"
  echo "GNOME: cycle $c, the saver came after idling (saver $(starts)) and went on input"
done
[[ $(starts) == 5 && -z "$(pgrep -P "$APP_PID")" ]] || fail "five cycles left processes of their own, or $(starts) savers"
# GNOME's screen saver comes on while the saver plays: it rests, and plays again once GNOME's goes.
active() { gdbus emit --session --object-path /org/gnome/ScreenSaver --signal org.gnome.ScreenSaver.ActiveChanged "$1" >/dev/null; }
for _ in $(seq 150); do playing && break; sleep 0.1; done
playing || fail "no sixth saver"
sleep 1
active true
sleep 1.5
w0=$(wakes); sleep 2; w1=$(wakes)
(( w1 - w0 <= 10 )) || fail "under GNOME's screen saver the saver woke $((w1 - w0)) times in 2 s"
active false
sleep 0.5
w2=$(wakes); sleep 1; w3=$(wakes)
(( w3 - w2 >= 30 )) || fail "once GNOME's screen saver went, the saver woke only $((w3 - w2)) times in 1 s"
echo "GNOME: under GNOME's own screen saver the saver rested ($((w1 - w0)) wake-ups in 2 s), then played again ($((w3 - w2)) in 1 s)"
move 6
for _ in $(seq 10); do watching && break; sleep 0.1; done
watching || fail "the sixth saver still played a second after the input"
# GNOME's screen saver comes on before the saver: 9 s idle, and no saver; it goes, someone is back, and the saver comes again.
active true
sleep 9
[[ $(starts) == 6 ]] && watching || fail "the saver started while GNOME's screen saver was on"
echo "GNOME: 9 s idle while GNOME's own screen saver was on, and no saver"
active false
move 7
for _ in $(seq 150); do playing && break; sleep 0.1; done
playing || fail "no saver once GNOME's screen saver went"
echo "GNOME: once it went, the saver came"
sleep 1
move 8
kill "$APP_PID"
wait_exit 3
echo "GNOME: SIGTERM ended it with 0"
