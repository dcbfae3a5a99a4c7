#!/usr/bin/env bash
# Writes the package managers' manifests for the two Windows installers, with their switches and SHA-256
# hashes: packaging/winget/ (the three files of a winget manifest) and packaging/scoop/pellwick.json. They
# are written by make windows and submitted nowhere; RELEASE_URL is where the installers would be published.
# Usage: packaging/write-manifests.sh VERSION X86_SETUP X64_SETUP
set -euo pipefail
version=$1 x86=$2 x64=$3
here=$(cd "$(dirname "$0")" && pwd)
url=${RELEASE_URL:-https://example.invalid/pellwick/releases/$version}
hash() { sha256sum "$1" | cut -d' ' -f1; }
x86_hash=$(hash "$x86") x64_hash=$(hash "$x64")
x86_name=$(basename "$x86") x64_name=$(basename "$x64")
mkdir -p "$here/winget" "$here/scoop"

cat > "$here/winget/Pellwick.Pellwick.yaml" <<YAML
PackageIdentifier: Pellwick.Pellwick
PackageVersion: $version
DefaultLocale: en-US
ManifestType: version
ManifestVersion: 1.6.0
YAML

cat > "$here/winget/Pellwick.Pellwick.installer.yaml" <<YAML
PackageIdentifier: Pellwick.Pellwick
PackageVersion: $version
InstallerType: nullsoft
Scope: machine
ElevationRequirement: elevationRequired
InstallerSwitches:
  Silent: /S
  SilentWithProgress: /S
UpgradeBehavior: install
Installers:
  - Architecture: x86
    InstallerUrl: $url/$x86_name
    InstallerSha256: ${x86_hash^^}
  - Architecture: x64
    InstallerUrl: $url/$x64_name
    InstallerSha256: ${x64_hash^^}
ManifestType: installer
ManifestVersion: 1.6.0
YAML

cat > "$here/winget/Pellwick.Pellwick.locale.en-US.yaml" <<YAML
PackageIdentifier: Pellwick.Pellwick
PackageVersion: $version
PackageLocale: en-US
Publisher: Pellwick
PackageName: Pellwick
License: see the package's copyright file
ShortDescription: A self-running screen toy and screensaver of walkers painting territory.
ManifestType: defaultLocale
ManifestVersion: 1.6.0
YAML

# Scoop: the installer for the machine's architecture, run silently; the uninstaller it left, found through
# its uninstall entry (in the 32-bit view for the x86 installer on 64-bit Windows).
python3 - "$here/scoop/pellwick.json" "$version" "$url" "$x86_name" "$x86_hash" "$x64_name" "$x64_hash" <<'PY'
import json, sys
out, version, url, x86, x86_hash, x64, x64_hash = sys.argv[1:]
keys = ["HKLM:\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellwick",
        "HKLM:\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellwick"]
uninstall = ("$entry = Get-ItemProperty '%s', '%s' -ErrorAction SilentlyContinue | Select-Object -First 1; "
             "Start-Process -Wait (Join-Path $entry.InstallLocation 'uninstall.exe') -ArgumentList '/S'" % tuple(keys))
manifest = {
    "version": version,
    "description": "A self-running screen toy and screensaver of walkers painting territory.",
    "homepage": url,
    "license": "Unknown",
    "architecture": {
        "64bit": {"url": "%s/%s#/setup.exe" % (url, x64), "hash": x64_hash},
        "32bit": {"url": "%s/%s#/setup.exe" % (url, x86), "hash": x86_hash},
    },
    "installer": {"file": "setup.exe", "args": ["/S"]},
    "uninstaller": {"script": uninstall},
    "notes": "The installer asks for administrator rights: it puts pellwick.scr in the system folder.",
}
with open(out, "w") as f:
    json.dump(manifest, f, indent=4)
    f.write("\n")
PY
echo "Wrote $here/winget/ and $here/scoop/pellwick.json"
