#!/usr/bin/env bash
# The web page end to end: serves the site that make web built on 127.0.0.1, and drives it in Debian's
# headless Chromium with puppeteer-core (pinned in package-lock.json, installed under the build folder).
# Usage: web_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
[[ -x /usr/bin/chromium ]] || { echo "chromium is not installed; skipping"; exit 77; }
command -v npm >/dev/null || { echo "FAIL: npm is missing (it comes with Node.js)"; exit 1; }

[[ -f "$src/build-web/index.html" && -f "$src/build-web/pellwick.wasm" ]] || { echo "FAIL: no site in $src/build-web: run make web first"; exit 1; }
runner="$build/web-test"
mkdir -p "$runner"
cp "$here/package.json" "$here/package-lock.json" "$here/web_test.mjs" "$runner/"
if ! cmp -s "$here/package-lock.json" "$runner/node_modules/.installed-from-lock" 2>/dev/null; then
  (cd "$runner" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$here/package-lock.json" "$runner/node_modules/.installed-from-lock"
fi

log=$(mktemp)
node "$src/scripts/serve.mjs" "$src/build-web" 0 > "$log" &
server=$!
trap 'kill $server 2>/dev/null; rm -f "$log"' EXIT
for _ in $(seq 50); do grep -q "http://" "$log" && break; sleep 0.1; done
url=$(grep -oE "http://127\.0\.0\.1:[0-9]+/" "$log") || { echo "FAIL: the server did not start"; exit 1; }
work=$(mktemp -d)
status=0
node "$runner/web_test.mjs" "$url" "$build/pellwick-render" "$work" || status=$?
rm -rf "$work"
exit $status
