#!/bin/sh
# How soon Ctrl+C takes effect inside one long copy: `dorvane-cli op copy --yes` of one big file, SIGINT after
# 2 s, the time from the signal to the program's exit, and a check that nothing of the copy is left behind (no
# target, no temporary). The file is of random bytes on the work folder's disk (not /dev/shm: a copy in memory
# says nothing about a disk); when the disk has not room for it twice over, a smaller file is used and said so.
# Usage: bench/cancel_bench.sh [GB] [runs] (defaults 4 and 5). Prints one line per run and the median.
set -eu
cd "$(dirname "$0")/.."
GB=${1:-4}
RUNS=${2:-5}
WORK=${BENCH_WORK:-/tmp/dv-cancel-bench}
CLI=./build/src/dorvane-cli
mkdir -p "$WORK/src"
free=$(df -Pk "$WORK" | awk 'NR == 2 { print int($4 / 1048576) }')
if [ $((GB * 2 + 1)) -gt "$free" ]; then
  GB=$(((free - 1) / 2))
  [ "$GB" -ge 1 ] || { echo "not enough free space on $WORK" >&2; exit 1; }
  echo "only $free GB free on $WORK: using a $GB GB file"
fi
if [ "$(stat -c %s "$WORK/src/big.bin" 2>/dev/null || echo 0)" -ne $((GB * 1073741824)) ]; then
  head -c "${GB}G" /dev/urandom > "$WORK/src/big.bin"
fi
echo "run, seconds from SIGINT to exit, exit status, left in the target folder"
r=1
: > "$WORK/times"
while [ "$r" -le "$RUNS" ]; do
  rm -rf "$WORK/out"
  mkdir "$WORK/out"
  # A background job of a script starts with SIGINT ignored (and the program keeps an ignored signal ignored):
  # env gives it back its default, as a terminal's Ctrl+C finds it.
  env --default-signal=INT "$CLI" op copy --yes "$WORK/src" "$WORK/out" > /dev/null 2> "$WORK/stderr" &
  pid=$!
  sleep 2
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "$r: the copy ended within 2 s; use a larger file" >&2
    exit 1
  fi
  t0=$(date +%s%N)
  kill -INT "$pid"
  status=0
  wait "$pid" || status=$?
  t1=$(date +%s%N)
  left=$(ls -A "$WORK/out" | tr '\n' ' ')
  seconds=$(echo "$t0 $t1" | awk '{ printf "%.3f", ($2 - $1) / 1e9 }')
  echo "$seconds" >> "$WORK/times"
  echo "$r $seconds $status [${left}]"
  r=$((r + 1))
done
echo "median: $(sort -n "$WORK/times" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }') s"
