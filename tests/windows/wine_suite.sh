#!/usr/bin/env bash
# One Windows build under Wine on Xvfb, in a prefix of its own: the field the program shows, a click,
# Escape and a double-click, an option as on Linux; the Windows renderer against the Linux one (the same
# state digest and picture); the screensaver in /s, /c and /p modes and with bad window handles; the
# wallpaper.
# Usage: wine_suite.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR ARCH LOADER   (ARCH: x86 or x64)
# The loader is called directly: /usr/bin/wine and winepath pick the 32-bit loader whenever it is
# installed, even where it cannot run.
set -euo pipefail
build=$1
dir=$2
arch=$3
source "$(dirname "$0")/../e2e/xvfb.sh"
work=$(mktemp -d)
exe=$dir/pellwick.exe
scr=$dir/pellwick.scr

source "$(dirname "$0")/prefix.sh"
start_wine_prefix "$arch" "$4" "$work"

echo "== the program"
start_app "$WINELOADER" "$exe"
geometry=$(xwininfo -name Pellwick)
grep -q "Width: $W" <<<"$geometry" && grep -q "Height: $H" <<<"$geometry" || fail "the window does not cover the screen"
ta=$(shot_tick "$work/a.png" "$build/tests/screen_probe" 60000) || fail "the screen shows no tick of the game"
a=$(date +%s.%N)
sleep 2
tb=$(shot_tick "$work/b.png" "$build/tests/screen_probe" 60000) || fail "the second screenshot shows no tick of the game"
b=$(date +%s.%N)
(( tb > ta )) || fail "the walkers do not move (ticks $ta then $tb)"
echo "white field with walkers: screen matches the game at tick $ta, then $tb; about $(awk -v a="$a" -v b="$b" -v ta="$ta" -v tb="$tb" 'BEGIN { printf "%.0f", (tb - ta) / (b - a) }') ticks/s"

xdotool mousemove 400 300 click 1
sleep 1
shot "$work/game.png"
teams_in "$build/tests/screen_probe" "$work/game.png" "after a click" >/dev/null
echo "a click drew the walls and seeded the teams"

xdotool key Escape
wait_exit 5
echo "Escape ended the program"

start_app "$WINELOADER" "$exe"
xdotool mousemove 200 200 click --repeat 2 --delay 80 1
wait_exit 5
echo "a double-click ended the program"

# Options as on Linux: --zoom 2 shows a 400x300 field, each pixel a 2x2 square.
start_app "$WINELOADER" "$exe" --zoom 2
zoomed=$(zoomed_tick 2 "$build/tests/screen_probe" "$build/pellwick-render" "$work" shot)
[[ ${zoomed#* } == 400x300 ]] || fail "pellwick.exe --zoom 2 shows a field of ${zoomed#* }, not 400x300"
xdotool key Escape
wait_exit 5
echo "pellwick.exe --zoom 2: the renderer's 400x300 picture at tick ${zoomed% *}, each pixel a 2x2 square"

echo "== the Windows renderer against the Linux one"
scenarios=(
  "--size 160x120 --ticks 400"
  "--size 320x240 --ticks 800 --click 0 --click 300 --resize 500:280x260"
  "--size 1920x1080 --ticks 20000 --click 0 --click 12000 --resize 15000:1600x1200"
  "--size 320x240 --ticks 800 --click 0 --seed 18446744073709551557"
)
for args in "${scenarios[@]}"; do
  # shellcheck disable=SC2086
  windows=$("$WINELOADER" "$dir/pellwick-render.exe" $args --json --png "$(windows_path "$work/windows.png")" | tr -d '\r') ||
    fail "pellwick-render.exe $args failed"
  # shellcheck disable=SC2086
  linux=$("$build/pellwick-render" $args --json --png "$work/linux.png")
  [[ "$windows" == "$linux" ]] || fail "$args: Windows says $windows, Linux says $linux"
  diff=$(compare -metric AE "$work/windows.png" "$work/linux.png" null: 2>&1 || true)
  [[ "$diff" == "0" ]] || fail "$args: the pictures differ in $diff pixels"
  echo "$args: same state $(sed -E 's/.*"state":"([0-9a-f]+)".*/\1/' <<<"$linux") and the same picture"
done
named=$(identify -format '%[Seed]' "$work/windows.png")
[[ "$named" == 18446744073709551557 ]] || fail "the Windows renderer's PNG names seed '$named'"
echo "the Windows renderer's PNG names its seed, $named"

status=0
said=$("$WINELOADER" "$dir/pellwick-render.exe" --ticks 5 --gif "$(windows_path "$work/game.gif")" 2>&1 | tr -d '\r') || status=$?
[[ $status -eq 2 && $(wc -l <<<"$said") -eq 1 && "$said" == *"writes no GIF"* && ! -e "$work/game.gif" ]] ||
  fail "pellwick-render.exe --gif ended with status $status and said: $said"
echo "--gif: status 2 and one line: $said"

echo "== the screensaver, /s"
# The same games every time from the seed in the settings: here the game's own stream, seed 0.
"$WINELOADER" reg add 'HKCU\Software\Pellwick' /v Seed /t REG_SZ /d 0 /f >/dev/null 2>&1 || fail "cannot set Seed"
start_full_screen() {
  xdotool mousemove 400 300
  start_app "$WINELOADER" "$scr" /s
}
start_full_screen
geometry=$(xwininfo -name Pellwick)
grep -q "Absolute upper-left X:  0" <<<"$geometry" && grep -q "Absolute upper-left Y:  0" <<<"$geometry" &&
  grep -q "Width: $W" <<<"$geometry" && grep -q "Height: $H" <<<"$geometry" || fail "/s does not cover the screen"
tick=$(shot_tick "$work/saver.png" "$build/tests/screen_probe" 60000) || fail "/s shows no tick of seed 0's game"
echo "/s covers the screen and shows the game of the seed in its settings, 0, at tick $tick"
xdotool mousemove 402 301
sleep 1
kill -0 "$APP_PID" 2>/dev/null || fail "a 2-pixel move ended the saver"
echo "a 2-pixel move left it running"
xdotool mousemove 402 351
wait_exit 2
echo "a 50-pixel move ended it"
"$WINELOADER" reg add 'HKCU\Software\Pellwick' /v FirstGame /t REG_DWORD /d 1 /f >/dev/null 2>&1 || fail "cannot set FirstGame"
start_full_screen
sleep 2.5
shot "$work/first-game.png"
teams_in "$build/tests/screen_probe" "$work/first-game.png" "with FirstGame 1, after 2.5 s" >/dev/null
echo "with FirstGame set to 1 in the registry, as an older version kept it, the first game came within 2.5 s"
xdotool key a
wait_exit 2
echo "a key ended it"

echo "== the screensaver, /c: its settings"
# open_settings: the settings dialog; sets APP_PID, dialog, and X and Y, its place on the screen.
open_settings() {
  "$WINELOADER" "$scr" /c &
  APP_PID=$!
  for _ in $(seq 300); do xdotool search --onlyvisible --name '^Pellwick settings$' >/dev/null 2>&1 && break; sleep 0.1; done
  dialog=$(xdotool search --onlyvisible --name '^Pellwick settings$' | head -n 1) || fail "/c shows no settings dialog"
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
}
open_settings
# One row a setting, in the table's order: the first game's box, the new games', the seed's, the speed's.
xdotool mousemove $((X + 340)) $((Y + 22)) click 1  # into the first box; with no window manager, focus comes by clicking
xdotool key End BackSpace BackSpace BackSpace BackSpace type 25
xdotool key Tab End BackSpace BackSpace BackSpace BackSpace
xdotool type 0
xdotool key Tab End BackSpace BackSpace BackSpace BackSpace
xdotool type 4242
xdotool key Tab End BackSpace BackSpace BackSpace BackSpace
xdotool type 250
import -window "$dialog" "${SETTINGS_SHOT:-$work/settings.png}"
xdotool key Return
wait_exit 3
stored=$("$WINELOADER" reg query 'HKCU\Software\Pellwick' | tr -d '\r')
grep -qE "first-game +REG_SZ +25" <<<"$stored" && grep -qE "new-game +REG_SZ +0" <<<"$stored" &&
  grep -qiE "seed +REG_SZ +4242" <<<"$stored" && grep -qE "speed +REG_SZ +250" <<<"$stored" &&
  ! grep -qE "FirstGame" <<<"$stored" &&
  grep -qE "zoom +REG_SZ +1" <<<"$stored" && grep -qE "on-battery +REG_SZ +same" <<<"$stored" ||
  fail "the dialog did not store 25, 0, seed 4242 and speed 250 with the other settings' defaults: $stored"
# A speed out of its range is refused by name, and nothing is stored.
open_settings
xdotool mousemove $((X + 340)) $((Y + 113)) click 1 key End BackSpace BackSpace BackSpace type 9  # the speed's box
xdotool key Return
for _ in $(seq 30); do xdotool search --onlyvisible --name '^Pellwick$' >/dev/null 2>&1 && break; sleep 0.1; done
xdotool search --onlyvisible --name '^Pellwick$' >/dev/null 2>&1 || fail "a speed of 9 was taken without a word"
kill "$APP_PID"
wineserver -k 2>/dev/null || true
"$WINELOADER" reg query 'HKCU\Software\Pellwick' /v speed 2>/dev/null | tr -d '\r' | grep -qE "speed +REG_SZ +250" ||
  fail "a refused speed changed what was stored"
echo "the settings dialog, a row for each setting of the table, stored first-game 25, new-game 0, seed 4242, speed 250 and the other settings' defaults in HKCU\Software\Pellwick in place of the older FirstGame, and refused a speed of 9"
start_full_screen
tick=$(shot_tick "$work/saver.png" "$build/tests/screen_probe" 60000 4242) || fail "/s shows no tick of seed 4242's game"
xdotool key a
wait_exit 2
echo "/s then played seed 4242's game (tick $tick), as the dialog set it"

echo "== the screensaver, /p"
compiler=$([[ $arch == x64 ]] && echo x86_64-w64-mingw32-g++-posix || echo i686-w64-mingw32-g++-posix)
$compiler -O2 -static -o "$work/preview_host.exe" "$(dirname "$0")/preview_host.cpp" || fail "cannot build the preview host"
preview=$(timeout 60 "$WINELOADER" "$work/preview_host.exe" "$(windows_path "$scr")" | tr -d '\r') ||
  fail "the preview failed: $preview"
echo "$preview" | grep -v "^child window"
grep -q "the saver's child window is 320x240" <<<"$preview" || fail "no 320x240 child window: $preview"

echo "== the screensaver, bad window handles"
for args in "/p" "/p nonsense" "/p:0" "/p 12345"; do
  status=0
  # shellcheck disable=SC2086
  timeout 30 "$WINELOADER" "$scr" $args || status=$?
  (( status != 0 && status != 124 )) || fail "pellwick.scr $args ended with status $status"
  if xdotool search --name '^Pellwick$' >/dev/null 2>&1; then fail "pellwick.scr $args opened a window"; fi
  echo "pellwick.scr $args: status $status, no window"
done

echo "== the wallpaper, /wallpaper"
# Wine has no Explorer behind the desktop's icons: the wallpaper is the lowest window, which says so.
"$WINELOADER" reg add 'HKCU\Software\Pellwick' /v first-game /t REG_SZ /d 1000 /f >/dev/null 2>&1 || fail "cannot set first-game"
"$WINELOADER" reg add 'HKCU\Software\Pellwick' /v rest /t REG_SZ /d pause /f >/dev/null 2>&1 || fail "cannot set rest"
start_app "$WINELOADER" "$exe" /wallpaper 2>"$work/wallpaper.err"
grep -q "the wallpaper is the lowest window" "$work/wallpaper.err" || fail "no word on the missing desktop: $(cat "$work/wallpaper.err")"
before=$(shot_tick "$work/wallpaper.png" "$build/tests/screen_probe" 60000 4242) || fail "/wallpaper shows no tick of seed 4242's game"
wallpaper=$APP_PID
"$WINELOADER" notepad &
notepad=$!
for _ in $(seq 100); do xdotool search --onlyvisible --name 'Notepad' >/dev/null 2>&1 && break; sleep 0.1; done
xdotool mousemove $((W - 20)) $((H - 20)) click 1
sleep 0.5
order=$(xwininfo -root -children | grep -nE '"(Pellwick|Untitled - Notepad)"' | head -n 1)
[[ "$order" == *Notepad* ]] || fail "after a click on the wallpaper it is above Notepad: $order"
kill "$notepad" 2>/dev/null || true
wait "$notepad" 2>/dev/null || true
echo "the wallpaper plays seed 4242 (tick $before) and stays below Notepad when clicked"
# Under a full-screen window with rest set to pause, it holds its game while covered: 6 s would be 360 ticks.
before=$(shot_tick "$work/wallpaper.png" "$build/tests/screen_probe" 60000 4242) || fail "/wallpaper shows no tick"
"$WINELOADER" "$exe" &
APP_PID_COVER=$!
sleep 6
xdotool key Escape
APP_PID=$APP_PID_COVER
wait_exit 5
sleep 0.5
after=$(shot_tick "$work/uncovered.png" "$build/tests/screen_probe" 60000 4242) || fail "uncovered, the wallpaper shows no tick"
(( after - before < 240 )) || fail "covered for 6 s with rest pause, the wallpaper went from tick $before to $after"
echo "covered by a full-screen window for about 6 s, it went only from tick $before to $after"
APP_PID=$wallpaper
"$WINELOADER" taskkill /im pellwick.exe >/dev/null 2>&1
wait_exit 5
echo "taskkill's close ended it with 0"
