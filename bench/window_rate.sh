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
trap 'kill $XVFB_PID 2>/dev/null; [[ -n "${APP_PID:-}" ]] && kill $APP_PID 2>/dev/null; rm -rf "$work"; true' EXIT
start_app "$build/pellwick"
sleep 1

cpu_ticks() { awk '{print $14 + $15}' "/proc/$APP_PID/stat"; }
stamp() { date +%s.%N; }

a0=$(stamp); c0=$(cpu_ticks); shot "$work/a.png"; a1=$(stamp)
sleep "$span"
b0=$(stamp); shot "$work/b.png"; b1=$(stamp); c1=$(cpu_ticks)
limit=$(awk -v s="$span" 'BEGIN { printf "%d", (s + 4) * 1100 }')
ta=$("$build/tests/screen_probe" tick "$work/a.png" "$limit") || fail "first screenshot matches no tick (try again)"
tb=$("$build/tests/screen_probe" tick "$work/b.png" "$limit") || fail "second screenshot matches no tick (try again)"
awk -v ta="$ta" -v tb="$tb" -v a0="$a0" -v a1="$a1" -v b0="$b0" -v b1="$b1" -v c0="$c0" -v c1="$c1" \
    -v hz="$(getconf CLK_TCK)" -v size="$size" 'BEGIN {
  dt = (b0 + b1) / 2 - (a0 + a1) / 2
  printf "%s: tick %d then tick %d over %.2f s: %.0f ticks/s, %.0f%% of a core\n", size, ta, tb, dt, (tb - ta) / dt, 100 * (c1 - c0) / hz / (b1 - a0)
}'
