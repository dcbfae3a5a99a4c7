#!/usr/bin/env bash
# Long run of the saver under Debian's XScreenSaver daemon: N activate/deactivate cycles (300 unless given)
# at random intervals of 0 to 1 s, then a report of the hacks left behind, telling a hack that outlived
# its own stop from one the daemon had not stopped yet. Exits 1 only for the former.
# Usage: bench/saver_cycles.sh BUILD_DIR [N]
set -euo pipefail
build=$(cd "$1" && pwd)
cycles=${2:-300}
here=$(cd "$(dirname "$0")/../tests/e2e" && pwd)
source "$here/xvfb.sh"
source "$here/daemon.sh"
work=$(mktemp -d)
chmod 755 "$work"
start_xvfb 640x480
trap 'stop_daemon; stop_xvfb; rm -rf "$work"' EXIT
cp "$build/pellwick" "$work/pellwick"
chmod 755 "$work/pellwick"
hack="$work/pellwick"
start_daemon "$hack --root"

pause() { sleep "$(awk -v r="$RANDOM" 'BEGIN { printf "%.2f", r / 32767 }')"; }
most=0
for cycle in $(seq "$cycles"); do
  saver_command -activate
  pause
  saver_command -deactivate
  pause
  running=$(hack_pids "$hack" | wc -l)
  (( running > most )) && most=$running
done
launched=$(grep -c "forked \"$hack" "$SAVER_HOME/log" || true)
killed=$(grep -c "killing pid" "$SAVER_HOME/log" || true)
status=0
report=$(await_hacks_end "$hack") || status=1
echo "saver cycles: $cycles, launches $launched, kills logged $killed, at most $most hacks at once after a deactivate"
echo "left behind: $(grep -c . <<<"$report" || true)${report:+; }$report"
exit "$status"
