# Shared by the Wine suites: a Wine prefix of its own for one architecture, on an 800x600 Xvfb display.
# Source xvfb.sh first, then this; it defines start_wine_prefix and windows_path.

# start_wine_prefix ARCH LOADER WORK_DIR: prepares WORK_DIR/prefix for ARCH (x86 or x64) with LOADER and
# starts Xvfb; both go, with WORK_DIR, when the script ends. No Mono or Gecko installers, and no menu
# entries on the Linux side for shortcuts made inside.
start_wine_prefix() {
  export WINELOADER=$2 WINEPREFIX="$3/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export WINEARCH=$([[ $1 == x64 ]] && echo win64 || echo win32)
  W=800 H=600
  start_xvfb "${W}x${H}"
  trap 'stop_xvfb; wineserver -k 2>/dev/null || true; rm -rf "'"$3"'"' EXIT
  timeout 300 "$WINELOADER" wineboot -u >/dev/null 2>&1 || fail "wineboot could not prepare a $WINEARCH prefix"
  wineserver -w
}

# windows_path PATH: a Linux path as the prefix sees it: drive Z: is the root.
windows_path() { echo "Z:${1//\//\\}"; }
