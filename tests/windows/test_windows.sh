#!/usr/bin/env bash
# Checks the Windows program: its PE headers and imports, its icon, version and manifest resources, and
# then the program itself under Wine on Xvfb: the field it shows, a click, Escape and a double-click; the
# screensaver beside it in /s and /p modes and with bad window handles; and the Windows renderer against
# the Linux one: the same state digest and picture.
# Usage: test_windows.sh PELLWICK_EXE LINUX_BUILD_DIR
set -euo pipefail
exe=$(realpath "$1")
build=$(cd "$2" && pwd)
source "$(dirname "$0")/../e2e/xvfb.sh"
work=$(mktemp -d)
objdump=i686-w64-mingw32-objdump

echo "== PE headers"
$objdump -f "$exe" | grep -q "file format pei-i386" || fail "not a 32-bit x86 PE"
headers=$($objdump -p "$exe")
grep -qE "Subsystem\s+00000002\s+\(Windows GUI\)" <<<"$headers" || fail "not a GUI-subsystem program"
allowed="^(KERNEL32|USER32|GDI32|WINMM|msvcrt|ADVAPI32)\.dll$"
dlls=$(grep "DLL Name:" <<<"$headers" | awk '{print $3}')
for dll in $dlls; do
  grep -qiE "$allowed" <<<"$dll" || fail "imports $dll, which does not ship with Windows"
done
echo "imports only: $(tr '\n' ' ' <<<"$dlls")"

echo "== resources"
wrestool -x -t 14 "$exe" > "$work/group.ico" || fail "no icon group resource"
images=$(icotool -l "$work/group.ico")
echo "$images"
[[ $(grep -c -- "--icon" <<<"$images") -eq 3 ]] || fail "the icon does not have three images"
grep -q -- "--width=32 --height=32 --bit-depth=1" <<<"$images" || fail "no 32x32 image in 2 colours"
grep -q -- "--width=32 --height=32 --bit-depth=4" <<<"$images" || fail "no 32x32 image in 16 colours"
grep -q -- "--width=16 --height=16 --bit-depth=4" <<<"$images" || fail "no 16x16 image in 16 colours"
wrestool -x --raw -t 16 "$exe" > "$work/version.res" || fail "no version resource"
version=$(strings -el "$work/version.res" | tr '\n' '|')
for pair in "FileVersion|1.00" "ProductVersion|1.00" "ProductName|Pellwick"; do
  grep -qF "|$pair|" <<<"|$version" || fail "version block lacks $pair: $version"
done
echo "version block: FileVersion 1.00, ProductVersion 1.00, ProductName Pellwick"
manifest=$(wrestool -x --raw -t 24 -n 1 "$exe") || fail "no manifest resource (RT_MANIFEST 1)"
grep -q ">PerMonitorV2<" <<<"$manifest" || fail "the manifest does not declare PerMonitorV2 awareness"
grep -q ">true/pm<" <<<"$manifest" || fail "the manifest does not declare dpiAware true/pm"
[[ $(grep -c "<supportedOS " <<<"$manifest") -ge 5 ]] || fail "the manifest does not name the Windows versions"
echo "manifest: per-monitor DPI aware (PerMonitorV2, true/pm), Windows Vista to 11"

echo "== under Wine"
W=800 H=600
start_xvfb "${W}x${H}"
trap 'stop_xvfb; wineserver -k 2>/dev/null; rm -rf "$work"; true' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers
timeout 300 wineboot -i >/dev/null 2>&1 || fail "wineboot could not prepare a prefix"

start_app wine "$exe"
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

start_app wine "$exe"
xdotool mousemove 200 200 click --repeat 2 --delay 80 1
wait_exit 5
echo "a double-click ended the program"

echo "== the Windows renderer against the Linux one"
render_exe="$(dirname "$exe")/pellwick-render.exe"
[[ -f "$render_exe" ]] || fail "no pellwick-render.exe beside $exe"
scenarios=(
  "--size 160x120 --ticks 400"
  "--size 320x240 --ticks 800 --click 0 --click 300 --resize 500:280x260"
  "--size 1920x1080 --ticks 20000 --click 0 --click 12000 --resize 15000:1600x1200"
)
for args in "${scenarios[@]}"; do
  # shellcheck disable=SC2086
  windows=$(wine "$render_exe" $args --json --png "$work/windows.png" | tr -d '\r') || fail "pellwick-render.exe $args failed"
  # shellcheck disable=SC2086
  linux=$("$build/pellwick-render" $args --json --png "$work/linux.png")
  [[ "$windows" == "$linux" ]] || fail "$args: Windows says $windows, Linux says $linux"
  diff=$(compare -metric AE "$work/windows.png" "$work/linux.png" null: 2>&1 || true)
  [[ "$diff" == "0" ]] || fail "$args: the pictures differ in $diff pixels"
  echo "$args: same state $(sed -E 's/.*"state":"([0-9a-f]+)".*/\1/' <<<"$linux") and the same picture"
done

echo "== the screensaver, /s"
scr="$(dirname "$exe")/pellwick.scr"
[[ -f "$scr" ]] || fail "no pellwick.scr beside $exe"
cmp -s "$exe" "$scr" || fail "pellwick.scr is not the same program as pellwick.exe"
start_full_screen() {
  xdotool mousemove 400 300
  start_app wine "$scr" /s
}
start_full_screen
geometry=$(xwininfo -name Pellwick)
grep -q "Absolute upper-left X:  0" <<<"$geometry" && grep -q "Absolute upper-left Y:  0" <<<"$geometry" &&
  grep -q "Width: $W" <<<"$geometry" && grep -q "Height: $H" <<<"$geometry" || fail "/s does not cover the screen"
tick=$(shot_tick "$work/saver.png" "$build/tests/screen_probe" 60000) || fail "/s shows no tick of the game"
echo "/s covers the screen and shows the game at tick $tick"
xdotool mousemove 402 301
sleep 1
kill -0 "$APP_PID" 2>/dev/null || fail "a 2-pixel move ended the saver"
echo "a 2-pixel move left it running"
xdotool mousemove 402 351
wait_exit 2
echo "a 50-pixel move ended it"
wine reg add 'HKCU\Software\Pellwick' /v FirstGame /t REG_DWORD /d 1 /f >/dev/null 2>&1 || fail "cannot set FirstGame"
start_full_screen
sleep 2.5
shot "$work/first-game.png"
teams_in "$build/tests/screen_probe" "$work/first-game.png" "with FirstGame 1, after 2.5 s" >/dev/null
echo "with FirstGame set to 1 in the registry, the first game came within 2.5 s"
xdotool key a
wait_exit 2
echo "a key ended it"

echo "== the screensaver, /c: its settings"
wine "$scr" /c &
APP_PID=$!
for _ in $(seq 300); do xdotool search --onlyvisible --name '^Pellwick settings$' >/dev/null 2>&1 && break; sleep 0.1; done
dialog=$(xdotool search --onlyvisible --name '^Pellwick settings$' | head -n 1) || fail "/c shows no settings dialog"
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove $((X + 310)) $((Y + 22)) click 1  # into the first box; with no window manager, focus comes by clicking
xdotool key End BackSpace BackSpace BackSpace BackSpace type 25
xdotool key Tab End BackSpace BackSpace BackSpace BackSpace
xdotool type 0
xdotool key Return
wait_exit 3
stored=$(wine reg query 'HKCU\Software\Pellwick' | tr -d '\r')
grep -qE "FirstGame +REG_DWORD +0x19" <<<"$stored" && grep -qE "NewGame +REG_DWORD +0x0" <<<"$stored" ||
  fail "the dialog did not store 25 and 0: $stored"
echo "the settings dialog stored FirstGame 25 and NewGame 0 in HKCU\Software\Pellwick"

echo "== the screensaver, /p"
i686-w64-mingw32-g++-posix -O2 -static -o "$work/preview_host.exe" "$(dirname "$0")/preview_host.cpp" || fail "cannot build the preview host"
preview=$(timeout 60 wine "$work/preview_host.exe" "$(winepath -w "$scr")" | tr -d '\r') || fail "the preview failed: $preview"
echo "$preview" | grep -v "^child window"
grep -q "the saver's child window is 320x240" <<<"$preview" || fail "no 320x240 child window: $preview"

echo "== the screensaver, bad window handles"
for args in "/p" "/p nonsense" "/p:0" "/p 12345"; do
  status=0
  # shellcheck disable=SC2086
  timeout 30 wine "$scr" $args || status=$?
  (( status != 0 && status != 124 )) || fail "pellwick.scr $args ended with status $status"
  if xdotool search --name '^Pellwick$' >/dev/null 2>&1; then fail "pellwick.scr $args opened a window"; fi
  echo "pellwick.scr $args: status $status, no window"
done
