# Shared by the end-to-end scripts: a private Xvfb display and helpers to watch a program on it.
# Source it; it defines start_xvfb, stop_xvfb, start_app, shot, shot_tick, teams_in, ended_within, wait_exit,
# wakes and fail.

fail() { echo "FAIL: $*" >&2; exit 1; }

# start_xvfb WxH[xDEPTH] [XVFB_ARGS...]: starts Xvfb (24 bits deep unless given) on a free display,
# exports DISPLAY, and stops it when the script ends.
start_xvfb() {
  command -v Xvfb >/dev/null || { echo "Xvfb is not installed; skipping"; exit 77; }
  local n screen=$1
  [[ $screen == *x*x* ]] || screen+=x24
  for n in $(seq 90 140); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    # -noreset: by default the server resets when its last client leaves, and a program connecting
    # during that reset (right after the readiness check below) is turned away.
    Xvfb ":$n" -screen 0 "$screen" -nolisten tcp -noreset "${@:2}" >/dev/null 2>&1 &
    XVFB_PID=$!
    # Ready when it answers, not merely when its socket exists: a program that cannot reach the display at
    # once may fall back to another video driver and never show a window.
    for _ in $(seq 100); do
      kill -0 "$XVFB_PID" 2>/dev/null || break
      DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1 && break
      sleep 0.1
    done
    if kill -0 "$XVFB_PID" 2>/dev/null && DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
      export DISPLAY=":$n"
      trap stop_xvfb EXIT
      return 0
    fi
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
  done
  fail "could not start Xvfb"
}

# stop_xvfb: ends the program, if one runs, and the server, waiting for the server so that the next test
# cannot find its display half shut.
stop_xvfb() {
  [[ -n "${APP_PID:-}" ]] && kill "$APP_PID" 2>/dev/null
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
  true
}

# start_app CMD...: starts the program and waits (up to 30 s, for a busy machine) for its window to show.
start_app() {
  "$@" &
  APP_PID=$!
  for _ in $(seq 300); do
    # Mapped, not merely made: input sent to a window that is not on the screen yet is lost.
    xdotool search --onlyvisible --name '^Pellwick$' >/dev/null 2>&1 && { sleep 0.3; return 0; }
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended before its window appeared"
    sleep 0.1
  done
  fail "no window named Pellwick appeared"
}

# shot FILE: the whole screen as a PNG.
shot() { import -window root "$1"; }

# shot_tick FILE PROBE MAX [SEED]: a screenshot that matches some tick of the game before any click (on
# SEED's stream, 0 unless given); prints the tick. A screenshot can catch a frame half drawn on the screen,
# so it tries a few times.
shot_tick() {
  local n
  for n in 1 2 3 4; do
    shot "$1"
    "$2" tick "$1" "$3" ${4:+"$4"} && return 0
    sleep 0.2
  done
  return 1
}

# zoomed_tick ZOOM PROBE RENDER DIR TAKE: takes pictures with the command TAKE FILE until one, its field
# part (the screen's size over ZOOM, times ZOOM, from the top left) sampled down by ZOOM, shows a tick of
# the game (no click, seed 0); fails unless that part is the renderer's picture at that tick enlarged by
# nearest neighbour, pixel for pixel. Prints the tick and the field's size.
zoomed_tick() {
  local zoom=$1 probe=$2 render=$3 dir=$4 take=$5 tick= size diff w h
  for _ in 1 2 3 4; do
    "$take" "$dir/zoomed.png"
    read -r w h <<<"$(identify -format '%w %h' "$dir/zoomed.png")"
    size=$((w / zoom))x$((h / zoom))
    convert "$dir/zoomed.png" -crop "$((w / zoom * zoom))x$((h / zoom * zoom))+0+0" +repage "$dir/zoomed-part.png"
    convert "$dir/zoomed-part.png" -sample "$size!" "$dir/zoomed-field.png"
    tick=$("$probe" tick "$dir/zoomed-field.png" 20000) && break
    tick=
    sleep 0.2
  done
  [[ -n "$tick" ]] || fail "at zoom $zoom the screen matches no tick of the game"
  "$render" --size "$size" --ticks "$tick" --png "$dir/small.png" >/dev/null 2>&1
  convert "$dir/small.png" -sample "$((w / zoom * zoom))x$((h / zoom * zoom))!" "$dir/enlarged.png"
  diff=$(compare -metric AE "$dir/zoomed-part.png" "$dir/enlarged.png" null: 2>&1 || true)
  [[ "$diff" == "0" ]] || fail "at zoom $zoom the screen and the renderer's $size picture enlarged differ in $diff pixels"
  echo "$tick $size"
}

# teams_in PROBE FILE WHAT: prints the screenshot's pixel counts by colour; fails, naming WHAT, unless
# teams 1 to 3 all show (team 0 alone is the time before the first game).
teams_in() {
  local counts t
  counts=$("$1" counts "$2")
  for t in 1 2 3; do grep -qE "\"team$t\":[1-9]" <<<"$counts" || fail "$3: no team $t on screen: $counts"; done
  echo "$counts"
}

# wakes: how many times the program's threads have gone to sleep and been woken so far (voluntary context
# switches, over every thread).
wakes() { cat /proc/"$APP_PID"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ {n += $2} END {print n}'; }

# ended_within SECONDS: whether the program has ended within that time (without reaping it).
ended_within() {
  local _
  for _ in $(seq $(( $1 * 10 ))); do
    kill -0 "$APP_PID" 2>/dev/null || return 0
    sleep 0.1
  done
  ! kill -0 "$APP_PID" 2>/dev/null
}

# wait_exit SECONDS: the program must end within that time with status 0.
wait_exit() {
  ended_within "$1" || fail "the program still runs after $1 s"
  local status=0
  wait "$APP_PID" || status=$?
  APP_PID=
  [[ $status -eq 0 ]] || fail "the program ended with status $status"
}
