#!/usr/bin/env bash
# Checks every Windows build given: its PE headers and imports, its icon, version and manifest resources,
# that no library or x87 sine or cosine is in it, and its installer's architecture, icon and version. Then
# runs the Wine suite (wine_suite.sh) and the installer's (installer_suite.sh) for each architecture this
# machine can run, decided by trying its Wine loader, and says in one line which ran and
# which could not, and why. Fails when a check or a suite fails, or when no architecture can run.
# Usage: test_windows.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR...
# WINE32_LOADER and WINE64_LOADER replace /usr/lib/wine/wine and /usr/lib/wine/wine64 (to rehearse a
# machine that cannot run one of them).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
linux_build=$(cd "$1" && pwd)
shift
source "$here/../e2e/xvfb.sh"
version=$(sed -nE 's/^project\(Pellwick VERSION ([0-9.]+).*/\1/p' "$here/../../CMakeLists.txt")
[[ -n "$version" ]] || fail "no project version in CMakeLists.txt"

# arch_of EXE: x86 or x64, from the PE header.
arch_of() {
  local format
  format=$(x86_64-w64-mingw32-objdump -f "$1" | sed -nE 's/.*file format (pei-[a-z0-9-]+).*/\1/p')
  case "$format" in
    pei-i386) echo x86 ;;
    pei-x86-64) echo x64 ;;
    *) fail "$1 is neither a 32-bit nor a 64-bit x86 PE ($format)" ;;
  esac
}

# check_imports EXE OBJDUMP: only DLLs that ship with Windows, and no sine or cosine from any of them.
check_imports() {
  local headers dlls dll
  headers=$($2 -p "$1")
  grep -qE "Subsystem\s+0000000(2|3)\s+\(Windows (GUI|CUI)\)" <<<"$headers" || fail "$1: no Windows subsystem"
  dlls=$(grep "DLL Name:" <<<"$headers" | awk '{print $3}')
  for dll in $dlls; do
    grep -qiE "^(KERNEL32|USER32|GDI32|WINMM|msvcrt|ADVAPI32|bcrypt)\.dll$" <<<"$dll" ||
      fail "$1 imports $dll, which does not ship with Windows"
  done
  if grep -E "^\s+[0-9a-f]+\s+[0-9]+\s+(sin|cos|sincos|tan)[fl]?$" <<<"$headers"; then
    fail "$1 imports a library sine or cosine"
  fi
  if grep -E "\sf(sin|cos|sincos|ptan)(\s|$)" <<<"$($2 -d "$1")"; then fail "$1 uses the x87 sine or cosine"; fi
  echo "$(basename "$1"): imports only $(tr '\n' ' ' <<<"$dlls")and no library or x87 sine or cosine"
}

# check_resources EXE ARCH: the three icon images, the version block and the manifest.
check_resources() {
  local work images strings manifest manifest_arch pair
  work=$(mktemp -d)
  wrestool -x -t 14 "$1" > "$work/group.ico" || fail "no icon group resource"
  images=$(icotool -l "$work/group.ico")
  [[ $(grep -c -- "--icon" <<<"$images") -eq 3 ]] || fail "the icon does not have three images: $images"
  grep -q -- "--width=32 --height=32 --bit-depth=1" <<<"$images" || fail "no 32x32 image in 2 colours"
  grep -q -- "--width=32 --height=32 --bit-depth=4" <<<"$images" || fail "no 32x32 image in 16 colours"
  grep -q -- "--width=16 --height=16 --bit-depth=4" <<<"$images" || fail "no 16x16 image in 16 colours"
  strings=$(version_strings "$1")
  for pair in "FileVersion|$version" "ProductVersion|$version" "ProductName|Pellwick"; do
    grep -qF "|$pair|" <<<"|$strings" || fail "version block lacks $pair: $strings"
  done
  manifest=$(wrestool -x --raw -t 24 -n 1 "$1") || fail "no manifest resource (RT_MANIFEST 1)"
  grep -q ">PerMonitorV2<" <<<"$manifest" || fail "the manifest does not declare PerMonitorV2 awareness"
  grep -q ">true/pm<" <<<"$manifest" || fail "the manifest does not declare dpiAware true/pm"
  [[ $(grep -c "<supportedOS " <<<"$manifest") -ge 5 ]] || fail "the manifest does not name the Windows versions"
  manifest_arch=$([[ $2 == x64 ]] && echo amd64 || echo x86)
  grep -q "processorArchitecture=\"$manifest_arch\"" <<<"$manifest" || fail "the manifest is not for $manifest_arch"
  rm -rf "$work"
  echo "$(basename "$1"): 3 icon images, version $version, manifest for $manifest_arch (PerMonitorV2)"
}

# version_strings FILE: the version block's strings of an executable, joined by |.
version_strings() {
  local work
  work=$(mktemp -d)
  wrestool -x --raw -t 16 "$1" > "$work/version.res" || fail "$1 has no version resource"
  strings -el "$work/version.res" | tr '\n' '|'
  rm -rf "$work"
}

# check_installer DIR ARCH: the installer is for ARCH, and carries the program's icon and version.
check_installer() {
  local setup="$1/pellwick-$version-$2-setup.exe" strings pair
  [[ -f "$setup" ]] || fail "$1 has no pellwick-$version-$2-setup.exe"
  [[ $(arch_of "$setup") == "$2" ]] || fail "$setup is not a $2 program"
  wrestool -x -t 14 "$setup" | cmp -s - <(wrestool -x -t 14 "$1/pellwick.exe") || fail "$setup lacks the program's icon"
  strings=$(version_strings "$setup")
  for pair in "FileVersion|$version" "ProductVersion|$version" "ProductName|Pellwick"; do
    grep -qF "|$pair|" <<<"|$strings" || fail "the installer's version block lacks $pair: $strings"
  done
  echo "$(basename "$setup"): for $2, the program's icon, version $version"
}

# check_build DIR: the static checks of one build; sets arch to its architecture.
check_build() {
  local exe=$1/pellwick.exe objdump
  [[ -f "$exe" && -f "$1/pellwick.scr" && -f "$1/pellwick-render.exe" ]] ||
    fail "$1 lacks pellwick.exe, pellwick.scr or pellwick-render.exe"
  arch=$(arch_of "$exe")
  [[ $(arch_of "$1/pellwick-render.exe") == "$arch" ]] || fail "$1: the renderer is not for $arch"
  objdump=$([[ $arch == x64 ]] && echo x86_64-w64-mingw32-objdump || echo i686-w64-mingw32-objdump)
  cmp -s "$exe" "$1/pellwick.scr" || fail "pellwick.scr is not the same program as pellwick.exe"
  grep -qE "Subsystem\s+00000002\s+\(Windows GUI\)" <<<"$($objdump -p "$exe")" || fail "$exe is not a GUI program"
  check_imports "$exe" "$objdump"
  check_imports "$1/pellwick-render.exe" "$objdump"
  check_resources "$exe" "$arch"
  check_installer "$1" "$arch"
}

# bits_of ARCH: how a user names it.
bits_of() { if [[ $1 == x64 ]]; then echo "64-bit (x64)"; else echo "32-bit (x86)"; fi; }

# loader_for ARCH: the Wine loader that runs that architecture's programs.
loader_for() {
  if [[ $1 == x64 ]]; then echo "${WINE64_LOADER:-/usr/lib/wine/wine64}"; else echo "${WINE32_LOADER:-/usr/lib/wine/wine}"; fi
}

# why_not LOADER: empty when the loader starts here, else why it does not.
why_not() {
  local out
  [[ -e "$1" ]] || { echo "$1 is not installed"; return; }
  if ! out=$("$1" --version 2>&1); then echo "$(head -n 1 <<<"$out" | tr -d '\r') ($1 --version failed)"; fi
}

# check_manifests: the winget and Scoop manifests name both installers with their hashes and switches.
check_manifests() {
  local root="$here/../../packaging" arch setup sum
  for arch in x86 x64; do
    setup=$(ls "$@" 2>/dev/null | grep -- "-$arch-setup.exe$" || true)
    [[ -n "$setup" ]] || continue
    sum=$(sha256sum "$setup" | cut -d' ' -f1)
    grep -qi "InstallerSha256: $sum" "$root/winget/Pellwick.Pellwick.installer.yaml" || fail "winget's manifest lacks the $arch installer's hash"
    grep -q "\"hash\": \"$sum\"" "$root/scoop/pellwick.json" || fail "Scoop's manifest lacks the $arch installer's hash"
  done
  grep -q "Silent: /S" "$root/winget/Pellwick.Pellwick.installer.yaml" || fail "winget's manifest has no silent switch"
  echo "the winget and Scoop manifests name the installers' hashes and /S"
}

ran=() skipped=()
for dir in "$@"; do
  dir=$(cd "$dir" && pwd)
  echo "== $dir: headers and resources"
  check_build "$dir"
  loader=$(loader_for "$arch")
  reason=$(why_not "$loader")
  if [[ -n "$reason" ]]; then
    echo "== $arch: this machine cannot run it: $reason"
    skipped+=("$(bits_of "$arch"): $reason")
    continue
  fi
  echo "== $arch: the Wine suite under $loader"
  "$here/wine_suite.sh" "$linux_build" "$dir" "$arch" "$loader" || fail "the $arch suite failed"
  echo "== $arch: the installer under $loader"
  "$here/installer_suite.sh" "$linux_build" "$dir" "$arch" "$loader" || fail "the $arch installer suite failed"
  ran+=("$(bits_of "$arch")")
done

check_manifests "${@/%//pellwick-$version-x86-setup.exe}" "${@/%//pellwick-$version-x64-setup.exe}"

joined() { local IFS=$1; shift; echo "$*" | sed "s/$IFS/$IFS /g"; }
summary="Windows suites: ran $(joined , "${ran[@]:-none}")"
[[ ${#skipped[@]} -eq 0 ]] || summary+="; could not run $(joined ';' "${skipped[@]}")"
echo "$summary"
[[ ${#ran[@]} -gt 0 ]] || fail "this machine can run no Windows build under Wine"
