#!/usr/bin/env bash
# Builds the benchmarks in release mode, runs them over data files of 10k,
# 100k and 1M words, prints every ratio to its baseline (lexitrain-words's
# import and export against the sqlite3 shell's as well), and draws
# docs/performance.png. The figures go to build-bench/results/.
# Never part of the test suite: it takes several minutes and much disk.
#
# Usage: scripts/bench.sh [google-benchmark flags, e.g. --benchmark_filter=Review]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
results="$build/results"

"$root/scripts/install-packages.sh" build-essential cmake qt6-base-dev libsqlite3-dev libcsv-dev sqlite3 libbenchmark-dev libgtest-dev \
    gnuplot-nox python3

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLEXITRAIN_BENCH=ON -DLEXITRAIN_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target bench_enginebench bench_storebench lexitrain-words lexitrain-makedb
mkdir -p "$results"
export LEXITRAIN_BENCH_DIR="$build/data"
for bench in enginebench storebench; do
    "$build/bench/bench_$bench" --benchmark_out="$results/$bench.json" --benchmark_out_format=json "$@"
done
# lexitrain-words against the sqlite3 shell (import and export).
"$root/bench/words-bench.sh" "$build/app/lexitrain-words" "$build/tools/lexitrain-makedb" "$build/words" |
    tee "$results/words.md"
python3 "$root/scripts/bench_report.py" "$results"/*.json --plot "$root/docs/performance.png"
