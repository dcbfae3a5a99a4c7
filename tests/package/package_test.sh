#!/usr/bin/env bash
# The Debian package that make package built: holds it to lintian (no error, no warning), installs it, runs
# the installed hack once under Debian's XScreenSaver daemon, then purges it and checks that nothing of it
# is left.
# It installs and removes a system package, so it runs as root only, and not where pellwick is installed.
# Usage: package_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
here=$(dirname "$0")
source "$here/../e2e/xvfb.sh"
source "$here/../e2e/daemon.sh"
[[ $(id -u) -eq 0 ]] || { echo "installing a package needs root; skipping"; exit 77; }
if dpkg-query -W -f='${Status}' pellwick 2>/dev/null | grep -q "installed"; then
  echo "pellwick is installed on this machine already; skipping rather than replacing it"
  exit 77
fi

deb=$(ls "$src"/build-package/pellwick_*.deb 2>/dev/null) || fail "no package in $src/build-package: run make package first"
[[ $(wc -l <<<"$deb") -eq 1 ]] || fail "more than one package in $src/build-package: $deb"

echo "== lintian"
report=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v "running with root privileges" || true)
[[ -n "$report" ]] && echo "$report"
if grep -qE "^[EW]: " <<<"$report"; then fail "lintian reports errors or warnings"; fi
echo "lintian: no errors, no warnings"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libx11-6 libwayland-client0 libxrandr2; do
  grep -q "$lib" <<<"$depends" || fail "the package does not depend on $lib: $depends"
done
echo "depends on: $depends"

echo "== install"
work=$(mktemp -d)
dpkg -c "$deb" | awk '{print $6}' | sed 's|^\.||' | grep -v '/$' > "$work/files"
cleanup() { stop_daemon; stop_xvfb; dpkg --purge pellwick >/dev/null 2>&1 || true; rm -rf "$work"; true; }
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null 2>&1 || dpkg -i "$deb" >/dev/null
for f in /usr/games/pellwick /usr/games/pellwick-render /usr/libexec/xscreensaver/pellwick \
         /usr/share/xscreensaver/config/pellwick.xml /usr/share/man/man6/pellwick.6.gz /usr/share/pellwick/pellwick-idle.desktop; do
  [[ -e "$f" ]] || fail "$f is not installed"
done
# The idle watcher's autostart entry is off until the user copies it, as --help says, and then runs it.
/usr/games/pellwick --help | grep -q "cp /usr/share/pellwick/pellwick-idle.desktop ~/.config/autostart/" ||
  fail "--help does not give the command that turns the idle watcher's autostart on"
[[ ! -e /etc/xdg/autostart/pellwick-idle.desktop ]] || fail "the idle watcher starts with every session unasked"
grep -qx "Exec=pellwick --idle 10" /usr/share/pellwick/pellwick-idle.desktop || fail "the autostart entry does not run the watcher"
man -w 6 pellwick >/dev/null && man -w 1 pellwick-render >/dev/null || fail "the manual pages are not found"
echo "installed $(wc -l < "$work/files") files"

echo "== the installed hack under the daemon"
W=400 H=300
start_xvfb "${W}x${H}"
trap cleanup EXIT  # start_xvfb set a trap of its own; the package must still go
start_daemon "pellwick --root"
saver_command -activate
for _ in $(seq 50); do [[ -n $(hack_pids "^pellwick --root") ]] && break; sleep 0.1; done
[[ -n $(hack_pids "^pellwick --root") ]] || fail "the daemon did not start the installed hack: $(tail -n 5 "$SAVER_HOME/log")"
grep -q "forked \"pellwick --root\"" "$SAVER_HOME/log" || fail "the daemon's log does not name the hack"
sleep 1
seed=$(sed -n 's/.*pellwick: playing seed \([0-9]*\) .*/\1/p' "$SAVER_HOME/log" | tail -n 1)
[[ -n "$seed" ]] || fail "the daemon's log names no seed: $(tail -n 5 "$SAVER_HOME/log")"
tick=$(shot_tick "$work/shot.png" "$build/tests/screen_probe" 20000 "$seed") || fail "the screen shows no tick of seed $seed's game"
echo "the daemon ran the installed hack; the screen shows seed $seed's game at tick $tick"
saver_command -deactivate
await_hacks_end "^pellwick --root" || fail "the installed hack outlived its stop"

# XScreenSaver's settings program reads the installed settings file, and says on stderr what it cannot
# take in it; its preview runs the hack with --root and --window-id both.
as_saver_user timeout 10 xscreensaver-settings > "$work/settings.log" 2>&1 &
dialog=$!
for _ in $(seq 90); do [[ -n $(hack_pids "^pellwick --root.*--window-id") ]] && break; sleep 0.1; done
[[ -n $(hack_pids "^pellwick --root.*--window-id") ]] || fail "the settings' preview did not run the hack: $(cat "$work/settings.log")"
sleep 1  # it read the file before it started the preview: whatever it had to say is said
kill "$dialog" 2>/dev/null || true
wait "$dialog" 2>/dev/null || true
! grep -v "playing seed" "$work/settings.log" | grep "pellwick" || fail "XScreenSaver's settings program objects to the installed files"
echo "XScreenSaver's settings program read the settings file without a complaint, and its preview ran the hack"
stop_daemon

echo "== purge"
dpkg --purge pellwick >/dev/null
while read -r f; do
  [[ -e "$f" || -L "$f" ]] && fail "$f is left after purging"
done < "$work/files"
for d in /usr/share/doc/pellwick /usr/share/xscreensaver/config/pellwick.xml; do
  [[ -e "$d" ]] && fail "$d is left after purging"
done
echo "purged: none of its $(wc -l < "$work/files") files is left"
