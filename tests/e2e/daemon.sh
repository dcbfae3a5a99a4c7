# Shared by the saver tests: Debian's XScreenSaver daemon on the test display, as an unprivileged user
# (it refuses to launch hacks as root), with a home of its own. Source xvfb.sh first, then this.
# Defines start_daemon, saver_command, hack_pids, await_hacks_end and stop_daemon.

SAVER_USER=nobody
SAVER_GROUP=nogroup

as_saver_user() { setpriv --reuid="$SAVER_USER" --regid="$SAVER_GROUP" --clear-groups env HOME="$SAVER_HOME" DISPLAY="$DISPLAY" "$@"; }

# start_daemon "COMMAND LINE": starts the daemon with that one hack and waits until it answers.
start_daemon() {
  command -v xscreensaver >/dev/null || { echo "xscreensaver is not installed; skipping"; exit 77; }
  SAVER_HOME=$(mktemp -d)
  chmod 755 "$SAVER_HOME"
  cat > "$SAVER_HOME/.xscreensaver" <<CONF
timeout: 0:10:00
cycle: 0:00:00
lock: False
splash: False
fade: False
unfade: False
mode: one
selected: 0
programs: \\
    $1 \\n
CONF
  chown -R "$SAVER_USER:$SAVER_GROUP" "$SAVER_HOME"
  (cd "$SAVER_HOME" && as_saver_user xscreensaver --no-splash --verbose > "$SAVER_HOME/log" 2>&1) &
  DAEMON_PID=$!
  local _
  for _ in $(seq 100); do
    as_saver_user xscreensaver-command -version >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  fail "the daemon does not answer: $(tail -n 5 "$SAVER_HOME/log")"
}

saver_command() { as_saver_user xscreensaver-command "$@" >/dev/null 2>&1; }

# hack_pids PATTERN: the pids of running hacks whose command line matches.
hack_pids() { pgrep -f "$1" || true; }

# await_hacks_end PATTERN: waits for every running hack that matches to end after a -deactivate. A hack is
# stopped once xscreensaver-gfx has logged killing it or its window is gone; the daemon may be slow to do
# either on a loaded machine, which is not the hack's fault. Prints one line for each hack that outlived
# its stop by more than 2 s (a fault of ours) and for each the daemon had not stopped after 15 s; returns
# 1 when any outlived its stop.
await_hacks_end() {
  local pid window n stopped outlived=0
  for pid in $(hack_pids "$1"); do
    window=$({ tr '\0' '\n' < "/proc/$pid/environ"; } 2>/dev/null | sed -n 's/^XSCREENSAVER_WINDOW=//p')
    stopped=
    for n in $(seq 150); do
      kill -0 "$pid" 2>/dev/null || break
      if [[ -z "$stopped" ]] && { grep -q "killing pid $pid\b" "$SAVER_HOME/log" ||
                                  { [[ -n "$window" ]] && ! xwininfo -id "$window" >/dev/null 2>&1; }; }; then
        stopped=$n
      fi
      if [[ -n "$stopped" ]] && (( n - stopped > 20 )); then
        echo "hack $pid outlived its SIGTERM or its window by more than 2 s; its threads wait in:" \
             "$(cat /proc/"$pid"/task/*/wchan 2>/dev/null | tr '\0' ' ')"
        outlived=1
        break
      fi
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null && [[ -z "$stopped" ]]; then
      echo "hack $pid still runs, not yet stopped by the daemon after 15 s (xscreensaver-gfx" \
           "$(pgrep -f xscreensaver-gfx >/dev/null && echo "still runs" || echo "is gone"))"
    fi
  done
  return "$outlived"
}

stop_daemon() {
  [[ -n "${DAEMON_PID:-}" ]] || return 0
  saver_command -exit || true
  kill "$DAEMON_PID" 2>/dev/null || true
  wait "$DAEMON_PID" 2>/dev/null || true
  DAEMON_PID=
  rm -rf "$SAVER_HOME"
  true
}
