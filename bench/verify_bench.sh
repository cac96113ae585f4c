#!/bin/sh
# The cost of the full binary comparison: `dorvane-cli op copy --verify full` against `cp -a` followed by `cmp`,
# and against the same copy without verification. Makes the data (one large file of random bytes and a tree of
# small files) under a work folder and times each command with /usr/bin/time, alternating the sides, so that a
# drift of the disk's speed touches both. Every run overwrites the previous copy (cp -a does too).
# Usage: bench/verify_bench.sh [big file MB] [small files] [runs] (defaults 256, 2000 and 5).
set -eu
cd "$(dirname "$0")/.."
MB=${1:-256}
SMALL=${2:-2000}
RUNS=${3:-5}
WORK=${BENCH_WORK:-/tmp/dv-verify-bench}
CLI=./build/src/dorvane-cli
mkdir -p "$WORK/big" "$WORK/tree" "$WORK/out-dv" "$WORK/out-cp"
[ -f "$WORK/big/one.bin" ] || head -c "${MB}M" /dev/urandom > "$WORK/big/one.bin"
if [ ! -f "$WORK/tree/.made" ]; then
  i=0
  while [ "$i" -lt "$SMALL" ]; do
    d="$WORK/tree/d$((i % 50))"
    mkdir -p "$d"
    head -c $((4096 + (i * 997) % 61440)) /dev/urandom > "$d/f$i.bin"
    i=$((i + 1))
  done
  : > "$WORK/tree/.made"
fi
timed() { /usr/bin/time -f "%e" "$@" 2>&1 >/dev/null | tail -n 1; }
for job in big tree; do
  rm -rf "$WORK/out-dv" "$WORK/out-cp"
  mkdir -p "$WORK/out-dv" "$WORK/out-cp"
  echo "$job: run, op copy --verify full, op copy --verify none, cp -a + compare (seconds)"
  r=1
  while [ "$r" -le "$RUNS" ]; do
    a=$(timed sh -c "'$CLI' op copy '$WORK/$job' '$WORK/out-dv' --overwrite --empty-folders --verify full --yes")
    b=$(timed sh -c "'$CLI' op copy '$WORK/$job' '$WORK/out-dv' --overwrite --empty-folders --verify none --yes")
    if [ "$job" = big ]; then
      c=$(timed sh -c "cp -a '$WORK/big/.' '$WORK/out-cp/' && cmp '$WORK/big/one.bin' '$WORK/out-cp/one.bin'")
    else
      c=$(timed sh -c "cp -a '$WORK/tree/.' '$WORK/out-cp/' && diff -rq '$WORK/tree' '$WORK/out-cp'")
    fi
    echo "$r $a $b $c"
    r=$((r + 1))
  done
done
