#!/usr/bin/env bash
# Builds Lexitrain with its tests and runs every test with CTest, then proves
# the same suite clean under AddressSanitizer and UndefinedBehaviorSanitizer
# in a second build, then runs each fuzzer for a short, bounded time. On a
# fresh Debian machine it first installs the Debian packages that the build
# and the tests need (only the missing ones, with sudo when not run as root).
# The dialog tests run headless (Qt's offscreen platform); the end-to-end
# test drives the real program under Xvfb with xdotool.
#
# Usage: scripts/test.sh            everything: tests, sanitizer pass, fuzzing
#        scripts/test.sh --quick [ctest arguments, e.g. -R ui_tests]
#                                   the first pass only
# LEXITRAIN_FUZZ_SECONDS sets each fuzzer's time (default 30).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
quick=false
if [ "${1:-}" = "--quick" ]; then
    quick=true
    shift
fi

packages=(build-essential cmake pkg-config qt6-base-dev libsqlite3-dev libxkbcommon-dev libgl-dev libcsv-dev
          fonts-wqy-zenhei fontconfig googletest libgtest-dev libbenchmark-dev sqlite3 xvfb xauth xdotool
          imagemagick clang libclang-rt-14-dev desktop-file-utils appstream dpkg-dev util-linux)
"$root/scripts/install-packages.sh" "${packages[@]}"

jobs=$(nproc)

echo "== Build and test"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEXITRAIN_TESTS=ON >/dev/null
cmake --build "$build" -j"$jobs"
(cd "$build" && ctest --output-on-failure "$@")
$quick && exit 0

echo "== The same tests under AddressSanitizer and UndefinedBehaviorSanitizer"
sanitized="$root/build-sanitize"
cmake -S "$root" -B "$sanitized" -DCMAKE_BUILD_TYPE=Debug -DLEXITRAIN_TESTS=ON -DLEXITRAIN_SANITIZE=ON >/dev/null
cmake --build "$sanitized" -j"$jobs"
# intercept_strndup=0: libxkbcommon-x11, which Qt's X11 platform loads when
# the end-to-end test starts the real program, reads past a string in
# strndup; the fault is the system library's, and every other check stays on.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:intercept_strndup=0"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$sanitized" && ctest --output-on-failure)

echo "== Fuzzing"
LEXITRAIN_FUZZ_BUILD="$root/build-fuzz" "$root/scripts/fuzz.sh" "${LEXITRAIN_FUZZ_SECONDS:-30}"
echo "== All passes clean"
