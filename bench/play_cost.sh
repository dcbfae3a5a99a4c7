#!/usr/bin/env bash
# Measures what a game costs while it plays, under Xvfb (the window, the saver) or headless sway (the
# Wayland window, the wallpaper): the share of one core used by the program and by the X server or compositor over some
# seconds of mid-game, their sum, and the program's wake-ups a second (the times its threads went to sleep
# and were woken: voluntary context switches), and the pixels a frame damaged on the screen against those
# of the tiles it changed (what it needed at the least), as the program counts them on its way out. The
# machine is shared, so it plays several games and prints the median of each figure.
# covered: the saver in a window of the bench's own, wholly covered by another window.
# wallpaper: the wallpaper at its own speed, its first game at once; wallpaper-covered: the same under a
# full-screen window (the program's own, at 10 ticks a second, so that it costs the compositor little).
# mutter: the full-screen saver, its first game at once, on GNOME's Mutter, headless (it renders with
# the processor here), on a session bus of the bench's own; Mutter is counted as the server.
# At 1000 ticks a second (the window, the saver, the Wayland window) it also prints what the same ticks
# cost the renderer (pellwick-render's CPU time for the game to its end less to its start, the median of
# three), and how many times that the program and its server took together.
# Usage: bench/play_cost.sh BUILD_DIR window|saver|wayland|covered|wallpaper|wallpaper-covered|mutter WxH [SECONDS] [RUNS]
# PLAY_ARGS adds options to the program's (for example "--zoom 2" or "--rest pause").
set -euo pipefail
build=$(cd "$1" && pwd)
mode=$2
size=$3
span=${4:-5}
runs=${5:-3}
source "$(dirname "$0")/../tests/e2e/xvfb.sh"
source "$(dirname "$0")/../tests/e2e/sway.sh"

cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# start_mutter WxH: headless Mutter with one monitor of that size, and the session bus it needs.
start_mutter() {
  MUTTER_HOME=$(mktemp -d)
  chmod 700 "$MUTTER_HOME"
  export XDG_RUNTIME_DIR=$MUTTER_HOME WAYLAND_DISPLAY=wayland-0
  unset DISPLAY
  local bus
  bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | paste -sd ' ')
  export DBUS_SESSION_BUS_ADDRESS=${bus% *}
  BUS_PID=${bus##* }
  mutter --headless --wayland --no-x11 --virtual-monitor "$1" >"$MUTTER_HOME/mutter.log" 2>&1 &
  MUTTER_PID=$!
  local _
  for _ in $(seq 150); do [[ -S "$MUTTER_HOME/wayland-0" ]] && return 0; sleep 0.1; done
  fail "headless Mutter did not start: $(tail -5 "$MUTTER_HOME/mutter.log")"
}
stop_mutter() {
  kill "$MUTTER_PID" "$BUS_PID" 2>/dev/null || true
  wait "$MUTTER_PID" 2>/dev/null || true
  rm -rf "$MUTTER_HOME"
}
export PELLWICK_FRAME_STATS=1
said=$(mktemp)
trap 'rm -f "$said"' EXIT

# measure: one game, mid-game; prints program%, server%, wake-ups/s.
measure() {
  local server
  if [[ $mode == wayland || $mode == wallpaper* ]]; then
    start_sway "default_border none
output HEADLESS-1 mode $size position 0 0 scale 1
output HEADLESS-2 disable"
    server=$SWAY_PID
  fi
  if [[ $mode == mutter ]]; then
    start_mutter "$size"
    server=$MUTTER_PID
    "$build/pellwick" --saver --first-game 0 --new-game 0 ${PLAY_ARGS:-} 2>"$said" &
    APP_PID=$!
  elif [[ $mode == wayland ]]; then
    "$build/pellwick" 2>"$said" &
    APP_PID=$!
    wait_app_id 1
    "$build/tests/wl_pointer" ${size/x/ } move 10 10 click
  elif [[ $mode == wallpaper* ]]; then
    "$build/pellwick" --wallpaper --first-game 0 --new-game 0 ${PLAY_ARGS:-} 2>"$said" &
    APP_PID=$!
    if [[ $mode == wallpaper-covered ]]; then
      "$build/pellwick" --speed 10 &
      wait_app_id 1
      swaymsg -q '[app_id=pellwick] fullscreen enable'
    fi
  else
    start_xvfb "$size"
    server=$XVFB_PID
  fi
  if [[ $mode == wayland || $mode == wallpaper* || $mode == mutter ]]; then
    :
  elif [[ $mode == window ]]; then
    start_app "$build/pellwick" ${PLAY_ARGS:-} 2>"$said"
    xdotool mousemove 10 10 click 1  # a game: walls, four teams, deaths
  elif [[ $mode == covered ]]; then
    "$build/tests/host_window" "$size" > /dev/null &
    sleep 0.5
    "$build/pellwick" --window-id "$(xdotool search --name '^host$' | head -n 1)" --first-game 0 --new-game 0 ${PLAY_ARGS:-} 2>"$said" &
    APP_PID=$!
    sleep 0.5
    "$build/tests/host_window" "$size" > /dev/null &  # over it
  else
    "$build/pellwick" --root --first-game 0 --new-game 0 ${PLAY_ARGS:-} 2>"$said" &
    APP_PID=$!
  fi
  sleep 2.5  # into the game: a couple of thousand ticks
  kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"
  local p0 x0 w0 t0 p1 x1 w1 t1
  p0=$(cpu "$APP_PID"); x0=$(cpu "$server"); w0=$(wakes); t0=$(date +%s.%N)
  sleep "$span"
  p1=$(cpu "$APP_PID"); x1=$(cpu "$server"); w1=$(wakes); t1=$(date +%s.%N)
  kill "$APP_PID"  # before its server, so that it can say what its frames cost
  wait "$APP_PID" 2>/dev/null || true
  if [[ $mode == mutter ]]; then
    stop_mutter
  elif [[ $mode == wayland || $mode == wallpaper* ]]; then
    stop_sway
  else
    stop_xvfb
  fi
  local frames
  frames=$(sed -nE 's/.*a frame damaged ([0-9]+) pixels, its changed tiles held ([0-9]+).*/\1 \2/p' "$said")
  awk -v p="$((p1 - p0))" -v x="$((x1 - x0))" -v w="$((w1 - w0))" -v t0="$t0" -v t1="$t1" -v hz="$(getconf CLK_TCK)" \
      -v f="${frames:-0 0}" 'BEGIN { dt = t1 - t0; printf "%.1f %.1f %.0f %s\n", 100 * p / hz / dt, 100 * x / hz / dt, w / dt, f }'
}

results=$(for _ in $(seq "$runs"); do measure 2>/dev/null; done)
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
program=$(awk '{print $1}' <<<"$results" | median)
server=$(awk '{print $2}' <<<"$results" | median)
total=$(awk '{print $1 + $2}' <<<"$results" | median)
wakeups=$(awk '{print $3}' <<<"$results" | median)
damaged=$(awk '{print $4}' <<<"$results" | median)
changed=$(awk '{print $5}' <<<"$results" | median)
what="X server"
[[ $mode == wayland || $mode == wallpaper* ]] && what="sway"
[[ $mode == mutter ]] && what="Mutter"
against=""
if [[ $mode =~ ^(window|saver|wayland)$ && -z "${PLAY_ARGS:-}" ]]; then
  # render_cpu TICKS: the renderer's CPU seconds for a game of so many ticks, clicked at once.
  render_cpu() {
    local TIMEFORMAT='%3U %3S'
    { time "$build/pellwick-render" --size "$size" --ticks "$1" --click 0 >/dev/null 2>&1; } 2>&1 | awk '{print $1 + $2}'
  }
  rendered=$(for _ in 1 2 3; do echo "$(render_cpu $((2500 + span * 1000))) $(render_cpu 2500)"; done | awk '{print $1 - $2}' | median)
  against=$(awk -v t="$total" -v s="$span" -v r="$rendered" 'BEGIN { printf "; the same ticks cost the renderer %.0f ms: together %.1f times that", 1000 * r, t * s / 100 / r }')
fi
printf "%-17s %-9s %s mid-game, median of %d x %d s: program %4.1f %%, %s %4.1f %%, together %4.1f %% of a core; %4.0f wake-ups/s; a frame damaged %.0f pixels, its changed tiles held %.0f%s\n" \
  "$mode" "$size" "${PLAY_ARGS:-}" "$runs" "$span" "$program" "$what" "$server" "$total" "$wakeups" "$damaged" "$changed" "$against"
