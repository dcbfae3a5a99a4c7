#!/usr/bin/env bash
# The web page end to end: serves the site that make web built on 127.0.0.1, and drives it in Debian's
# headless Chromium with puppeteer-core (pinned in package-lock.json, installed under the build folder);
# then the page as an installed app, offline and across builds.
# Usage: web_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/runner.sh"
[[ -f "$src/build-web/index.html" && -f "$src/build-web/pellwick.wasm" ]] || { echo "FAIL: no site in $src/build-web: run make web first"; exit 1; }
install_web_runner "$build"
cp "$here/web_test.mjs" "$RUNNER/"
serve_folder "$src/build-web"
work=$(mktemp -d)
status=0
node "$RUNNER/web_test.mjs" "$SITE_URL" "$build/pellwick-render" "$work" || status=$?
cp "$here/app_test.mjs" "$RUNNER/"
node "$RUNNER/app_test.mjs" "$src/build-web" "$build/pellwick-render" "$work" "$src/scripts/serve.mjs" || status=$?
rm -rf "$work"
exit $status
