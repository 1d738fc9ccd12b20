#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang into a build folder of
# their own and runs each for a bounded time. New inputs go to that folder's
# corpus; the seeds in fuzz/corpus/<target>/ are only read (and a
# dictionary fuzz/<target>.dict is used where there is one). A crash leaves
# its input in <build>/artifacts/ and makes the script fail.
#
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
#   LEXITRAIN_FUZZ_BUILD=<folder>  (default: build-fuzz beside the sources)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_jetsql fuzz_criteria fuzz_datetext fuzz_xmlpersist)
fi
build="${LEXITRAIN_FUZZ_BUILD:-$root/build-fuzz}"

for tool in clang clang++ cmake; do
    command -v "$tool" >/dev/null || { echo "fuzz.sh: $tool is needed" >&2; exit 1; }
done

# The fuzzers need neither the dialogs nor the tests.
cmake -S "$root" -B "$build" \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLEXITRAIN_FUZZ=ON -DLEXITRAIN_TESTS=OFF -DLEXITRAIN_GUI=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

mkdir -p "$build/artifacts"
status=0
for target in "${targets[@]}"; do
    name="$target"
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=4096
             -artifact_prefix="$build/artifacts/$name-" -print_final_stats=1)
    if [ -f "$root/fuzz/$name.dict" ]; then
        options+=(-dict="$root/fuzz/$name.dict")
    fi
    echo "== $target for ${seconds}s"
    if ! "$build/fuzz/$target" "${options[@]}" "$corpus" "$root/fuzz/corpus/$name"; then
        echo "fuzz.sh: $target found a failure; see $build/artifacts/" >&2
        status=1
    fi
done
exit $status
