# Shared by the web test and the page's benchmark: puppeteer-core (pinned in package-lock.json) installed
# under a build folder, and a folder served on 127.0.0.1. Source it; it defines install_web_runner and
# serve_folder.

web_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# install_web_runner BUILD_DIR: installs puppeteer-core under BUILD_DIR/web-test once per lock file; sets
# RUNNER to that folder.
install_web_runner() {
  [[ -x /usr/bin/chromium ]] || { echo "chromium is not installed; skipping"; exit 77; }
  command -v npm >/dev/null || { echo "FAIL: npm is missing (it comes with Node.js)"; exit 1; }
  RUNNER="$1/web-test"
  mkdir -p "$RUNNER"
  cp "$web_here/package.json" "$web_here/package-lock.json" "$RUNNER/"
  if ! cmp -s "$web_here/package-lock.json" "$RUNNER/node_modules/.installed-from-lock" 2>/dev/null; then
    (cd "$RUNNER" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$web_here/package-lock.json" "$RUNNER/node_modules/.installed-from-lock"
  fi
}

# serve_folder DIR: serves DIR on a free port until the script ends; sets SITE_URL.
serve_folder() {
  local log
  log=$(mktemp)
  node "$web_here/../../scripts/serve.mjs" "$1" 0 > "$log" &
  SERVER_PID=$!
  trap 'kill $SERVER_PID 2>/dev/null' EXIT
  for _ in $(seq 50); do grep -q "http://" "$log" && break; sleep 0.1; done
  SITE_URL=$(grep -oE "http://127\.0\.0\.1:[0-9]+/" "$log") || { echo "FAIL: the server did not start"; exit 1; }
  rm -f "$log"
}
