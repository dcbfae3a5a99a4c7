# Shared by the saver tests: Debian's XScreenSaver daemon on the test display, as an unprivileged user
# (it refuses to launch hacks as root), with a home of its own. Source xvfb.sh first, then this.
# Defines start_daemon, saver_command, hack_pids and stop_daemon.

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

stop_daemon() {
  [[ -n "${DAEMON_PID:-}" ]] || return 0
  saver_command -exit || true
  kill "$DAEMON_PID" 2>/dev/null || true
  wait "$DAEMON_PID" 2>/dev/null || true
  DAEMON_PID=
  rm -rf "$SAVER_HOME"
  true
}
