#!/usr/bin/env bash
# Runs the CTest suite of a build folder and ends with one 'N passed, N failed' line.
# Usage: scripts/run-tests.sh BUILD_DIR [ctest args...]
set -uo pipefail
build=${1:?build folder}
shift
log=$(mktemp)
trap 'rm -f "$log"' EXIT
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
if [[ -z "$line" ]]; then
  echo "0 passed, 1 failed"
  exit 1
fi
failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
echo "$((total - failed)) passed, $failed failed"
exit "$status"
