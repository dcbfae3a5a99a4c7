#!/usr/bin/env bash
# The set-up's decisions, with stand-ins for apt-get, dpkg, dpkg-query and sudo first on PATH: a failed
# update still installs, a failed install fails naming its packages, 32-bit Wine only where 32-bit code
# runs, and nothing installed twice. The machine's real package state is never touched.
# Usage: install_deps_test.sh SOURCE_DIR
set -uo pipefail
script=$(cd "$1" && pwd)/scripts/install-deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

mkdir -p "$work/bin"
# The stand-ins keep their state in $STATE: installed (one package a line), arches, calls (a log).
cat > "$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
pkg=${!#}
if grep -qx "$pkg" "$STATE/installed"; then printf 'install ok installed'; else exit 1; fi
EOF
cat > "$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
echo "dpkg $*" >> "$STATE/calls"
case "$1" in
  --print-foreign-architectures) cat "$STATE/arches" ;;
  --add-architecture) echo "$2" >> "$STATE/arches" ;;
  --remove-architecture) sed -i "/^$2\$/d" "$STATE/arches" ;;
esac
EOF
# apt-get: FAIL_UPDATE=1 fails every update after fetching; UNAVAILABLE names packages it cannot find;
# FLAKY=1 fails the first install only.
cat > "$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >> "$STATE/calls"
if [[ $1 == update ]]; then
  [[ -z ${FAIL_UPDATE:-} ]] && exit 0
  echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
  echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
  exit 100
fi
shift
pkgs=()
for a in "$@"; do [[ $a == -* ]] || pkgs+=("$a"); done
if [[ -n ${FLAKY:-} && ! -e $STATE/flaked ]]; then
  touch "$STATE/flaked"; echo "E: Could not connect to the archive" >&2; exit 100
fi
for p in "${pkgs[@]}"; do
  if [[ " ${UNAVAILABLE:-} " == *" $p "* ]]; then
    echo "Reading package lists..."; echo "E: Unable to locate package $p" >&2; exit 100
  fi
done
printf '%s\n' "${pkgs[@]}" >> "$STATE/installed"
EOF
printf '#!/bin/sh\nexec "$@"\n' > "$work/bin/sudo"
chmod +x "$work/bin/"*

# run NAME [VAR=VALUE...] -- GROUPS...: runs the script on a fresh state; sets status, out, calls.
run() {
  local name=$1; shift
  local env=()
  while [[ $1 != -- ]]; do env+=("$1"); shift; done
  shift
  export STATE="$work/$name"
  mkdir -p "$STATE"
  touch "$STATE/installed" "$STATE/arches" "$STATE/calls"
  [[ -n ${PREINSTALLED:-} ]] && printf '%s\n' $PREINSTALLED > "$STATE/installed"
  out=$(env PATH="$work/bin:$PATH" PELLWICK_APT_RETRY_SECONDS=0 "${env[@]}" "$script" "$@" 2>&1)
  status=$?
  calls=$(cat "$STATE/calls")
}

check() {  # check DESCRIPTION CONDITION...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else
    echo "FAILED: $what"; echo "  output: $out"; echo "  calls: $calls"; failures=$((failures + 1))
  fi
}
has() { grep -q -- "$1" <<<"$2"; }
lacks() { ! grep -q -- "$1" <<<"$2"; }
installs() { grep -qx "$1" "$STATE/installed"; }

run update-fails FAIL_UPDATE=1 -- bench
check "a failed update still installs" test "$status" -eq 0
check "  ... the package it was asked for" installs libbenchmark-dev
check "  ... and says the update failed" has "apt-get update failed for some indexes" "$out"

run install-fails UNAVAILABLE=lintian -- package
check "a failed install fails" test "$status" -ne 0
check "  ... in one line naming the packages and apt's reason" \
  has "install-deps: could not install dpkg-dev file lintian: E: Unable to locate package lintian" "$out"
check "  ... after one retry" test "$(grep -c '^apt-get install' <<<"$calls")" -eq 2

run flaky FLAKY=1 -- bench
check "an install that fails once succeeds on its retry" test "$status" -eq 0
check "  ... and installs" installs libbenchmark-dev

run no-i386 PELLWICK_RUNS_I386=no -- windows
check "a machine without 32-bit code installs the rest" test "$status" -eq 0
check "  ... never adds the i386 architecture" lacks "add-architecture" "$calls"
check "  ... leaves wine32 out" lacks "wine32" "$(grep '^apt-get install' <<<"$calls")"
check "  ... and says so in one line" \
  test "$(grep -c 'runs no 32-bit code, so wine32 and the i386 architecture are left out' <<<"$out")" -eq 1
check "  ... while wine64 is installed" installs wine64

run i386 PELLWICK_RUNS_I386=yes -- windows
check "a machine with 32-bit code gets the i386 architecture" has "dpkg --add-architecture i386" "$calls"
check "  ... and wine32" installs wine32

run i386-broken PELLWICK_RUNS_I386=yes UNAVAILABLE=wine32 FAIL_UPDATE=1 -- windows
check "32-bit Wine that cannot be installed today leaves the 64-bit set installed" test "$status" -eq 0
check "  ... wine64 among it" installs wine64
check "  ... says so" has "wine32 could not be installed today" "$out"
check "  ... and takes the i386 architecture away again" test ! -s "$STATE/arches"

PREINSTALLED="cmake make g++ pkg-config libpng-dev libgif-dev libgtest-dev libgmock-dev" run some -- core
check "nothing installed is installed again" test "$(grep '^apt-get install' <<<"$calls" | sed 's/.*-qq --no-install-recommends //')" = "libmpfr-dev"

PREINSTALLED="libbenchmark-dev" run all -- bench
check "with everything installed, apt-get is not called" test -z "$calls"

run unknown -- nonsense
check "an unknown group is refused" test "$status" -eq 2

echo "install-deps: $failures failed"
[[ $failures -eq 0 ]]
