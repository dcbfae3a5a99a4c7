#!/usr/bin/env bash
# One architecture's installer under Wine on Xvfb, in a prefix of its own: a silent install puts the
# files, the Start-menu shortcut, the screensaver in the system folder and the uninstall entry in place;
# the installed .scr runs from there with /s and /p; a second install leaves one entry; /SCREENSAVER makes
# it the user's screensaver; a silent uninstall leaves nothing of ours on the disk or in the registry
# (against a snapshot taken before), but the user's settings unless asked; and the pages, walked with the
# keyboard from the components to the last page, install the files and start nothing unasked.
# Usage: installer_suite.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR ARCH LOADER   (ARCH: x86 or x64)
# With INSTALLER_SHOTS=DIR, the pages' pictures are left there (components.png, folder.png, finish.png).
set -euo pipefail
build=$(cd "$1" && pwd)
dir=$(cd "$2" && pwd)
arch=$3
source "$(dirname "$0")/../e2e/xvfb.sh"
work=$(mktemp -d)
setup=$(ls "$dir"/pellwick-*-"$arch"-setup.exe 2>/dev/null) || fail "no $arch installer in $dir"
version=$(basename "$setup" | sed -E 's/pellwick-(.*)-'"$arch"'-setup\.exe/\1/')

source "$(dirname "$0")/prefix.sh"
start_wine_prefix "$arch" "$4" "$work"

drive=$WINEPREFIX/drive_c
installed="$drive/Program Files/Pellwick"
scr_path='C:\windows\system32\pellwick.scr'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pellwick'
reg() { "$WINELOADER" reg "$@" 2>/dev/null | tr -d '\r'; }

# snapshot FILE: every path under drive C: and every registry key of the prefix, one a line.
snapshot() {
  wineserver -w
  { (cd "$drive" && find . | sort); grep -h '^\[' "$WINEPREFIX"/*.reg | sed 's/\] [0-9]*$/]/' | sort; } > "$1"
}
snapshot "$work/before"

# run_setup ARGS...: the installer, silent; it must end with status 0 on its own.
run_setup() {
  local status=0
  timeout 120 "$WINELOADER" "$(windows_path "$setup")" "$@" || status=$?
  wineserver -w
  [[ $status -eq 0 ]] || fail "$(basename "$setup") $* ended with status $status"
}

echo "== a silent install"
run_setup /S
for f in "$installed/pellwick.exe" "$installed/pellwick-render.exe" "$installed/uninstall.exe" \
         "$drive/windows/system32/pellwick.scr" "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Pellwick.lnk"; do
  [[ -f "$f" ]] || fail "the install left no ${f#"$drive"/}"
done
cmp -s "$installed/pellwick.exe" "$dir/pellwick.exe" || fail "the installed pellwick.exe is not the build's"
entry=$(reg query "$uninstall_key")
for pair in "DisplayName REG_SZ Pellwick" "DisplayVersion REG_SZ $version" "Publisher REG_SZ Pellwick" \
            'DisplayIcon REG_SZ C:\Program Files\Pellwick\pellwick.exe,0' \
            'UninstallString REG_SZ "C:\Program Files\Pellwick\uninstall.exe"' \
            'QuietUninstallString REG_SZ "C:\Program Files\Pellwick\uninstall.exe" /S'; do
  grep -qF "$pair" <<<"$(tr -s ' \t' ' ' <<<"$entry")" || fail "the uninstall entry lacks $pair: $entry"
done
size=$(sed -nE 's/.*EstimatedSize +REG_DWORD +0x([0-9a-f]+).*/\1/p' <<<"$entry")
(( 16#${size:-0} > 500 )) || fail "the uninstall entry's EstimatedSize is ${size:-missing}"
reg query 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE >/dev/null && fail "a silent install made it the screensaver unasked"
echo "program, renderer, shortcut, $scr_path and the uninstall entry (EstimatedSize $((16#$size)) KB) are in place"

echo "== the installed screensaver"
xdotool mousemove 400 300
start_app "$WINELOADER" "$scr_path" /s
geometry=$(xwininfo -name Pellwick)
grep -q "Width: $W" <<<"$geometry" && grep -q "Height: $H" <<<"$geometry" || fail "$scr_path /s does not cover the screen"
xdotool key a
wait_exit 3
echo "$scr_path /s covered the screen and a key ended it"
compiler=$([[ $arch == x64 ]] && echo x86_64-w64-mingw32-g++-posix || echo i686-w64-mingw32-g++-posix)
$compiler -O2 -static -o "$work/preview_host.exe" "$(dirname "$0")/preview_host.cpp" || fail "cannot build the preview host"
preview=$(timeout 60 "$WINELOADER" "$work/preview_host.exe" "$scr_path" | tr -d '\r') || fail "the preview failed: $preview"
grep -q "the saver's child window is 320x240" <<<"$preview" || fail "no 320x240 child window: $preview"
echo "$scr_path /p filled the preview host's window"

echo "== installing again, and as the screensaver"
run_setup /S /SCREENSAVER
entries=$(reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' | grep -ci 'pellwick' || true)
[[ $entries -eq 1 ]] || fail "a second install left $entries uninstall entries"
saver=$(reg query 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE)
grep -qiF "$scr_path" <<<"$saver" || fail "/SCREENSAVER did not make it the screensaver: $saver"
echo "one uninstall entry after a second install; /SCREENSAVER made it the user's screensaver"

echo "== a silent uninstall"
reg add 'HKCU\Software\Pellwick' /v Seed /t REG_SZ /d 7 /f >/dev/null
"$WINELOADER" "C:\\Program Files\\Pellwick\\uninstall.exe" /S || fail "the silent uninstall failed"
wineserver -w
reg query 'HKCU\Software\Pellwick' /v Seed | grep -q "Seed" || fail "the uninstall removed the user's settings unasked"
reg query 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE >/dev/null && fail "the uninstall left Pellwick as the screensaver"
run_setup /S
"$WINELOADER" "C:\\Program Files\\Pellwick\\uninstall.exe" /S /REMOVESETTINGS || fail "the silent uninstall failed"
snapshot "$work/after"
left=$(comm -13 "$work/before" "$work/after" | grep -i pellwick || true)
[[ -z "$left" ]] || fail "the uninstall left behind: $left"
echo "after a silent uninstall nothing of ours is left; the user's settings stay unless /REMOVESETTINGS"

echo "== the pages, walked with the keyboard"
shots=${INSTALLER_SHOTS:-$work}
# page NAME: waits for the setup's window, gives it the keyboard (there is no window manager to), then
# keeps its picture as NAME.png.
page() {
  local id=
  for _ in $(seq 100); do id=$(xdotool search --name '^Pellwick Setup' 2>/dev/null | head -n 1) && [[ -n $id ]] && break; sleep 0.2; done
  [[ -n $id ]] || fail "no setup window for the $1 page"
  sleep 1
  xdotool windowfocus --sync "$id"
  import -window "$id" "$shots/$1.png"
}
xdotool mousemove 0 0
"$WINELOADER" "$(windows_path "$setup")" &
setup_pid=$!
page components
xdotool key Return
page folder
xdotool key Return  # Install; the files' page goes on to the last page by itself
for _ in $(seq 150); do [[ -f "$installed/uninstall.exe" ]] && break; sleep 0.2; done
[[ -f "$installed/uninstall.exe" ]] || fail "walking the pages installed nothing"
page finish
xdotool key Return  # Finish, with both offers left unticked
for _ in $(seq 100); do kill -0 "$setup_pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$setup_pid" 2>/dev/null && fail "the setup did not end on Finish"
wineserver -w
for f in "$installed/pellwick.exe" "$installed/pellwick-render.exe" "$drive/windows/system32/pellwick.scr"; do
  [[ -f "$f" ]] || fail "walking the pages left no ${f#"$drive"/}"
done
xdotool search --name '^Pellwick$' >/dev/null 2>&1 && fail "Finish started Pellwick unasked"
reg query 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE >/dev/null && fail "walking the pages made it the screensaver unasked"
"$WINELOADER" "C:\\Program Files\\Pellwick\\uninstall.exe" /S /REMOVESETTINGS || fail "the silent uninstall failed"
wineserver -w
echo "Return on each page installed the files; Finish started nothing (pictures: $(cd "$shots" && ls components.png folder.png finish.png | tr '\n' ' '))"
