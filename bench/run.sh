#!/bin/sh
# Runs the benchmarks on generated trees and prints their tables; record them in bench/RESULTS.md with the date.
# Usage: bench/run.sh [files] (default 200000). Builds first (make build).
set -eu
cd "$(dirname "$0")/.."
make -s build >/dev/null
FILES=${1:-200000}
WORK=${BENCH_WORK:-/tmp/dv-bench}
./build/bench/scan_bench "$FILES" "$WORK-scan"
./build/bench/fs_bench "$FILES" "$WORK-fs"
