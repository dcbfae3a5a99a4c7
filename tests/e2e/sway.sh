# Shared by the Wayland end-to-end scripts: a private headless sway with two outputs, and helpers to
# drive it. Source it; it defines start_sway, stop_sway, wl_shot, shown_tick, wait_app_id and fail.
# sway refuses to run as root, so it runs as nobody in a folder of its own; the clients run as we are.

fail() { echo "FAIL: $*" >&2; exit 1; }

# start_sway CONFIG_LINES: starts sway with outputs HEADLESS-1 and HEADLESS-2 set up by the lines given,
# exports XDG_RUNTIME_DIR, WAYLAND_DISPLAY and SWAYSOCK, unsets DISPLAY, and stops sway when the script ends.
start_sway() {
  command -v sway >/dev/null || { echo "sway is not installed; skipping"; exit 77; }
  SWAY_HOME=$(mktemp -d)
  mkdir -m 700 "$SWAY_HOME/rt"
  printf 'xwayland disable\n%s\n' "$1" >"$SWAY_HOME/config"
  chown -R nobody:nogroup "$SWAY_HOME"
  chmod 755 "$SWAY_HOME"
  setpriv --reuid=nobody --regid=nogroup --clear-groups env -i HOME="$SWAY_HOME" XDG_RUNTIME_DIR="$SWAY_HOME/rt" \
    PATH=/usr/bin:/bin WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$SWAY_HOME/config" >"$SWAY_HOME/sway.log" 2>&1 &
  SWAY_PID=$!
  trap stop_sway EXIT
  export XDG_RUNTIME_DIR="$SWAY_HOME/rt" WAYLAND_DISPLAY=wayland-1
  unset DISPLAY
  local _
  for _ in $(seq 100); do
    SWAYSOCK=$(ls "$SWAY_HOME"/rt/sway-ipc.*.sock 2>/dev/null | head -n 1 || true)
    [[ -n "$SWAYSOCK" ]] && swaymsg -s "$SWAYSOCK" -t get_outputs >/dev/null 2>&1 && { export SWAYSOCK; return 0; }
    kill -0 "$SWAY_PID" 2>/dev/null || break
    sleep 0.1
  done
  cat "$SWAY_HOME/sway.log" >&2
  fail "sway did not start"
}

# stop_sway: ends the program, if one runs, and sway, and removes sway's folder.
stop_sway() {
  [[ -n "${APP_PID:-}" ]] && kill "$APP_PID" 2>/dev/null
  kill "$SWAY_PID" 2>/dev/null || true
  wait "$SWAY_PID" 2>/dev/null || true
  rm -rf "$SWAY_HOME"
  true
}

# wl_shot OUTPUT FILE: one output's picture, in its device pixels.
wl_shot() { grim -o "$1" "$2"; }

# shown_tick OUTPUT SIZE [SEED]: the output shows the renderer's picture at some tick of the game before
# any click (on SEED's stream), pixel for pixel; prints the tick. A shot can catch a frame half shown.
# Uses $build, $probe and $work.
shown_tick() {
  local n tick diff
  for n in 1 2 3 4; do
    wl_shot "$1" "$work/shot.png"
    tick=$("$probe" tick "$work/shot.png" 20000 ${3:+"$3"}) || { sleep 0.2; continue; }
    "$build/pellwick-render" --size "$2" --ticks "$tick" ${3:+--seed "$3"} --png "$work/render.png" >/dev/null 2>&1
    diff=$(compare -metric AE "$work/shot.png" "$work/render.png" null: 2>&1 || true)
    [[ "$diff" == "0" ]] || fail "$1 and the renderer differ in $diff pixels at tick $tick"
    echo "$tick"
    return 0
  done
  fail "$1 matches no tick of the game${3:+ on seed $3}"
}

# wait_app_id N: waits (up to 30 s) until N windows with app_id pellwick are mapped.
wait_app_id() {
  local _ n
  for _ in $(seq 300); do
    n=$(swaymsg -t get_tree | grep -c '"app_id": "pellwick"' || true)
    (( n >= $1 )) && { sleep 0.3; return 0; }
    [[ -n "${APP_PID:-}" ]] && ! kill -0 "$APP_PID" 2>/dev/null && fail "the program ended before its windows appeared"
    sleep 0.1
  done
  fail "$1 window(s) with app_id pellwick did not appear"
}
