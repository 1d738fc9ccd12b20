#!/usr/bin/env bash
# Builds Lexitrain with its tests and runs every test with CTest. On a fresh
# Debian machine it first installs the Debian packages that the build and
# the tests need (only the missing ones, with sudo when not run as root).
# The dialog tests run headless (Qt's offscreen platform), so no display is
# needed; Xvfb and xdotool are installed for looking at the real program.
#
# Usage: scripts/test.sh [extra ctest arguments, e.g. -R ui_tests]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

packages=(build-essential cmake pkg-config qt6-base-dev libsqlite3-dev libxkbcommon-dev libgl-dev
          fonts-wqy-zenhei fontconfig googletest libgtest-dev libbenchmark-dev sqlite3 xvfb xauth xdotool)
need=()
for pkg in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing: ${need[*]}"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEXITRAIN_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure "$@"
