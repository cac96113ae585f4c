#!/bin/sh
# Runs the benchmarks on generated trees and prints their tables; record them in bench/RESULTS.md with the date.
# Usage: bench/run.sh [files] [big files] (defaults 200000 and 1000000). Builds first (make build); installs the
# tools compared against when missing.
set -eu
cd "$(dirname "$0")/.."
make -s build >/dev/null
for t in tree:tree fdfind:fd-find bfs:bfs; do
  command -v "${t%%:*}" >/dev/null 2>&1 || apt-get install -y -q "${t#*:}" >/dev/null || sudo apt-get install -y -q "${t#*:}" >/dev/null
done
FILES=${1:-200000}
BIG=${2:-1000000}
WORK=${BENCH_WORK:-/tmp/dv-bench}
./build/bench/scan_bench "$FILES" "$WORK-scan"
./build/bench/report_bench ./build/src/dorvane-cli "$FILES" "$WORK-report" "$BIG"
./build/bench/fs_bench "$FILES" "$WORK-fs"
BENCH_WORK="$WORK-verify" bench/verify_bench.sh
BENCH_WORK="$WORK-cancel" bench/cancel_bench.sh
