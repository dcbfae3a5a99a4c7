#!/usr/bin/env bash
# Installs the Debian packages a make target needs, only those missing; through sudo when not root.
# Usage: scripts/install-deps.sh GROUP...   (groups: core window e2e bench package web browser fuzz windows)
#
# The archive has bad days: one index of many may fail to download while the rest are fine. apt-get update
# then exits non-zero, but the install from the indexes it has usually works, so a failed update is only
# reported; the script fails only when the install itself fails, with one line naming what is missing.
# wine32 (and with it the i386 architecture) is wanted only where this machine runs 32-bit code, found by
# running a tiny static i386 program. PELLWICK_RUNS_I386=yes|no overrides that finding (for tests).
set -euo pipefail

declare -A groups=(
  [core]="cmake make g++ pkg-config libpng-dev libgif-dev libgtest-dev libgmock-dev libmpfr-dev"
  [window]="libx11-dev libxext-dev libxss-dev libxres-dev libxrandr-dev libxrender-dev libwayland-dev wayland-protocols plasma-wayland-protocols libxkbcommon-dev libsystemd-dev"
  [e2e]="xvfb xdotool imagemagick x11-utils x11-xserver-utils xscreensaver xscreensaver-data python3-pil sway swayidle grim wtype openbox mutter dbus-daemon libglib2.0-bin"
  [bench]="libbenchmark-dev"
  [package]="dpkg-dev file lintian"
  [web]="emscripten"
  [browser]="chromium"
  [fuzz]="clang libclang-rt-14-dev"
  [windows]="nsis g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 icoutils wine wine32 wine64 imagemagick xvfb xdotool x11-utils"
)
RETRY_SECONDS=${PELLWICK_APT_RETRY_SECONDS:-5}

say() { echo "install-deps: $*" >&2; }

# installed PKG: true when dpkg has PKG fully installed.
installed() { [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true) == "install ok installed" ]]; }

# runs_i386: true when the kernel runs 32-bit x86 programs. The program is an ELF header, one program
# header and `mov eax,1; mov ebx,42; int 0x80`: it exits with 42 where 32-bit code runs.
runs_i386() {
  case "${PELLWICK_RUNS_I386:-}" in yes) return 0 ;; no) return 1 ;; esac
  local probe status=0
  probe=$(mktemp)
  printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08\x34\0\0\0\0\0\0\0\0\0\0\0'`
        `'\x34\0\x20\0\x01\0\0\0\0\0\0\0\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08\x60\0\0\0\x60\0\0\0'`
        `'\x05\0\0\0\0\x10\0\0\xb8\x01\0\0\0\xbb\x2a\0\0\0\xcd\x80' > "$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [[ $status -eq 42 ]]
}

# apt_install PKG...: one install attempt; on failure prints apt's last error line (or its last line).
apt_install() {
  local log status=0
  log=$(mktemp)
  $sudo apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1 || status=$?
  if [[ $status -ne 0 ]]; then
    { grep -E '^E: ' "$log" | grep -v 'index files failed' | tail -n 1; tail -n 1 "$log"; } | head -n 1
  fi
  rm -f "$log"
  return "$status"
}

# update: refreshes the indexes; a partial failure is said and otherwise ignored.
update() {
  local errors
  if ! errors=$($sudo apt-get update -qq 2>&1 >/dev/null); then
    say "apt-get update failed for some indexes; installing from what it has ($(grep -E '^(E|W): ' <<<"$errors" |
      head -n 1 | cut -c1-240))"
  fi
}

# update_and_install PKG...: update and install, once more after a pause; prints apt's reason when both fail.
update_and_install() {
  local attempt reason
  for attempt in 1 2; do
    update
    reason=$(apt_install "$@") && return 0
    [[ $attempt -eq 1 ]] && { say "apt-get install failed ($reason); trying once more"; sleep "$RETRY_SECONDS"; }
  done
  echo "$reason"
  return 1
}

wanted=()
for g in "$@"; do
  [[ -n "${groups[$g]:-}" ]] || { say "unknown group '$g'"; exit 2; }
  for p in ${groups[$g]}; do wanted+=("$p"); done
done

missing=() want32=""
for p in "${wanted[@]}"; do
  installed "$p" && continue
  if [[ $p == wine32 ]]; then
    if runs_i386; then want32=1; else
      say "this machine runs no 32-bit code, so wine32 and the i386 architecture are left out"
      continue
    fi
  fi
  [[ " ${missing[*]} " == *" $p "* ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
echo "Installing missing packages: ${missing[*]}"
added_i386=""
if [[ -n $want32 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  added_i386=1
fi
reason=$(update_and_install "${missing[@]}") && exit 0

# The 32-bit Wine depends on i386 indexes, which lag behind the others on a bad day: go on without it.
if [[ -n $want32 ]]; then
  rest=()
  for p in "${missing[@]}"; do [[ $p == wine32 ]] || rest+=("$p"); done
  if [[ ${#rest[@]} -eq 0 ]] || reason32=$(apt_install "${rest[@]}"); then
    say "wine32 could not be installed today ($reason); going on without it, so only the 64-bit Windows suites run"
    [[ -z $added_i386 ]] || $sudo dpkg --remove-architecture i386 2>/dev/null || true
    exit 0
  fi
  reason=$reason32
fi
still=()
for p in "${missing[@]}"; do installed "$p" || still+=("$p"); done
say "could not install ${still[*]:-${missing[*]}}: $reason"
exit 1
