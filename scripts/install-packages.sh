#!/usr/bin/env bash
# Installs those of the named Debian packages that are missing, with sudo
# when not run as root. The run, test and bench scripts share it.
#
# Usage: scripts/install-packages.sh package ...
set -euo pipefail

need=()
for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || need+=("$pkg")
done
[ ${#need[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${need[*]}"
$sudo apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
