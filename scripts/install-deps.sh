#!/usr/bin/env bash
# Installs the Debian packages a make target needs, only those missing; through sudo when not root.
# Usage: scripts/install-deps.sh GROUP...   (groups: core window e2e bench package web browser fuzz windows)
set -euo pipefail

declare -A groups=(
  [core]="cmake make g++ pkg-config libpng-dev libgif-dev libgtest-dev libgmock-dev libmpfr-dev"
  [window]="libsdl2-dev libx11-dev libxext-dev libxss-dev libxrandr-dev libwayland-dev wayland-protocols"
  [e2e]="xvfb xdotool imagemagick x11-utils x11-xserver-utils xscreensaver xscreensaver-data python3-pil sway swayidle grim wtype"
  [bench]="libbenchmark-dev"
  [package]="dpkg-dev file lintian"
  [web]="emscripten"
  [browser]="chromium"
  [fuzz]="clang libclang-rt-14-dev"
  [windows]="nsis g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 icoutils wine wine32 wine64 imagemagick xvfb xdotool x11-utils"
)

wanted=()
for g in "$@"; do
  [[ -n "${groups[$g]:-}" ]] || { echo "install-deps: unknown group '$g'" >&2; exit 2; }
  for p in ${groups[$g]}; do wanted+=("$p"); done
done

missing=()
for p in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
echo "Installing missing packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if printf '%s\n' "${missing[@]}" | grep -q ':i386$\|^wine32$'; then
  dpkg --print-foreign-architectures | grep -q i386 || $sudo dpkg --add-architecture i386
fi
# One retry: a mirror that hiccups once should not fail a build.
for attempt in 1 2; do
  if $sudo apt-get update -qq && $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
    exit 0
  fi
  echo "install-deps: apt-get failed (attempt $attempt)" >&2
  sleep 5
done
exit 1
