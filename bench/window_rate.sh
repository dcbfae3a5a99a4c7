#!/usr/bin/env bash
# Measures the window program's tick rate as a user would see it: two screenshots some seconds apart under
# Xvfb, each matched to the tick it shows (before any click the game is deterministic), and the share of a
# core the program used in between.
# Usage: bench/window_rate.sh BUILD_DIR WxH [SECONDS]
set -euo pipefail
build=$(cd "$1" && pwd)
size=$2
span=${3:-3}
source "$(dirname "$0")/../tests/e2e/xvfb.sh"
work=$(mktemp -d)
start_xvfb "$size"
trap 'stop_xvfb; rm -rf "$work"' EXIT
start_app "$build/pellwick"
sleep 1

cpu_ticks() { awk '{print $14 + $15}' "/proc/$APP_PID/stat"; }
stamp() { date +%s.%N; }

# A screenshot that catches a half-drawn frame matches no tick; then the time of the next try counts.
limit=$(awk -v s="$span" 'BEGIN { printf "%d", (s + 8) * 1100 }')
timed_tick() {
  local n
  for n in 1 2 3 4; do
    t0=$(stamp); shot "$1"; t1=$(stamp)
    tick=$("$build/tests/screen_probe" tick "$1" "$limit") && return 0
  done
  fail "no screenshot matched a tick"
}
c0=$(cpu_ticks); timed_tick "$work/a.png"; a0=$t0; a1=$t1; ta=$tick
sleep "$span"
timed_tick "$work/b.png"; b0=$t0; b1=$t1; tb=$tick; c1=$(cpu_ticks)
awk -v ta="$ta" -v tb="$tb" -v a0="$a0" -v a1="$a1" -v b0="$b0" -v b1="$b1" -v c0="$c0" -v c1="$c1" \
    -v hz="$(getconf CLK_TCK)" -v size="$size" 'BEGIN {
  dt = (b0 + b1) / 2 - (a0 + a1) / 2
  printf "%s: tick %d then tick %d over %.2f s: %.0f ticks/s, %.0f%% of a core\n", size, ta, tb, dt, (tb - ta) / dt, 100 * (c1 - c0) / hz / (b1 - a0)
}'
