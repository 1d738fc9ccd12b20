#!/usr/bin/env bash
# Builds Lexitrain and starts it. On a fresh Debian machine it first installs
# the Debian packages that the build and the program need (only the missing
# ones, with sudo when not run as root). When there is no data file beside
# the executable yet, it makes an empty one with lexitrain-makedb, since the
# program itself never creates one.
#
# Usage: scripts/run.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

packages=(build-essential cmake pkg-config qt6-base-dev libsqlite3-dev libxkbcommon-dev libgl-dev libcsv-dev
          fonts-wqy-zenhei fontconfig)
"$root/scripts/install-packages.sh" "${packages[@]}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEXITRAIN_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target lexitrain lexitrain-makedb lexitrain-words

data="$build/app/db.mdb"
if [ ! -e "$data" ]; then
    "$build/tools/lexitrain-makedb" "$data"
fi

exec "$build/app/lexitrain"
