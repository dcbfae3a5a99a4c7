#!/usr/bin/env bash
# End-to-end stress of the real window under Xvfb: a storm of resizes, a thousand single clicks and random
# keys; the program must keep running with flat memory, then end cleanly on Escape.
# Usage: window_stress.sh BUILD_DIR [CLICKS]
set -euo pipefail
build=$(cd "$1" && pwd)
clicks=${2:-1000}
source "$(dirname "$0")/xvfb.sh"
start_xvfb 800x600
start_app "$build/pellwick"
wid=$(xdotool search --name '^Pellwick$' | head -n 1)
rss() { awk '/VmRSS/ {print $2}' "/proc/$APP_PID/status"; }
alive() { kill -0 "$APP_PID" 2>/dev/null || fail "the program died during the $1"; }
sleep 0.5
before=$(rss)

sizes=(1x1 800x600 37x5 640x480 5x700 800x600 1x1 200x150 799x599 3x3 800x600)
for round in 1 2 3 4 5; do
  for s in "${sizes[@]}"; do xdotool windowsize "$wid" "${s%x*}" "${s#*x}"; done
done
sleep 0.5
alive "resize storm"

# Clicks alternate between two far-apart points, so that none of them pairs up into a double-click.
cmd=()
for ((n = 0; n < clicks; n += 2)); do cmd+=(mousemove 100 100 click --delay 0 1 mousemove 500 400 click --delay 0 1); done
xdotool "${cmd[@]}"
sleep 0.5
alive "click storm"

keys=(a b q x space Return Tab BackSpace F1 Up Down Left Right shift+a ctrl+c alt+x 1 9 Delete Home)
cmd=()
for ((n = 0; n < 200; n++)); do cmd+=(key "${keys[RANDOM % ${#keys[@]}]}"); done
xdotool "${cmd[@]}"
sleep 0.5
alive "key storm"

# Back to the first size, memory should be where it started, give or take a few fields' worth.
xdotool windowsize "$wid" 800 600
sleep 1
after=$(rss)
echo "memory: ${before} KiB before, ${after} KiB after the storms"
(( after < before + 32768 )) || fail "memory grew from ${before} KiB to ${after} KiB"

xdotool key Escape
wait_exit 10  # a loaded machine may still be working through the storm's backlog
echo "survived resizes, $clicks clicks and 200 keys; Escape ended it"
