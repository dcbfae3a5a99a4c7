#!/usr/bin/env bash
# Measures what the page costs while it plays, beside a floor page (bench/floor.html) that changes its canvas
# by one small rectangle per animation frame: all of headless Chromium's processes, mid-game, the median
# of RUNS, at each size.
# Usage: bench/page_cost.sh BUILD_DIR [SECONDS] [RUNS] [WxH...]   (defaults: 5 3 640x480 1920x1080)
# With PAGE_THREADS=1 in the environment it also prints the median share of each busy thread.
set -euo pipefail
build=$(cd "$1" && pwd)
span=${2:-5}
runs=${3:-3}
sizes=("${@:4}")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(640x480 1920x1080)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/web/runner.sh"
site="$here/../build-web"
[[ -f "$site/index.html" ]] || { echo "FAIL: no site in $site: run make web first"; exit 1; }
install_web_runner "$build"
cp "$here/page_cost.mjs" "$RUNNER/"
work=$(mktemp -d)
cp "$site"/* "$here/floor.html" "$work/"
serve_folder "$work"
trap 'kill $SERVER_PID 2>/dev/null; rm -rf "$work"' EXIT
node "$RUNNER/page_cost.mjs" "$SITE_URL" "$span" "$runs" "${sizes[@]}"
