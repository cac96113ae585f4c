#!/bin/sh
# The undo journal's cost: a copy, a rename and a find and replace over FILES small files, each run with the
# journal (this build's dorvane-cli, the journal folder in the bench's own XDG_DATA_HOME) and without it (BASE: a
# dorvane-cli built from before the journal), in turn, PAIRS times. Prints each run's wall time and peak memory
# and processor time (/usr/bin/time "%e %M %U %S") and the median [min-max] per job. Each run starts after a
# sync, so none pays for the writing-back of the run before it.
# Usage: bench/journal_bench.sh BASE_CLI [files] [pairs]   (defaults 200000 and 5)
set -eu
cd "$(dirname "$0")/.."
BASE=$1
NEW=./build/src/dorvane-cli
FILES=${2:-200000}
PAIRS=${3:-5}
WORK=${BENCH_WORK:-/tmp/dv-journal-bench}
rm -rf "$WORK"
mkdir -p "$WORK/data" "$WORK/src"
# 1,000 files to a folder; each holds a line that find and replace changes.
python3 - "$WORK/src" "$FILES" <<'EOF'
import os, sys
root, files = sys.argv[1], int(sys.argv[2])
for i in range(files):
    folder = os.path.join(root, "d%03d" % (i // 1000))
    if i % 1000 == 0:
        os.mkdir(folder)
    with open(os.path.join(folder, "f%06d.txt" % i), "w") as f:
        f.write("line %d abc\n" % i)
EOF
LOG="$WORK/times"
: > "$LOG"
# run JOB WHICH CLI ARGS...: one timed run, appended to the log as "JOB WHICH SECONDS KB USER SYSTEM".
run() {
  job=$1 which=$2 cli=$3
  shift 3
  sync
  XDG_DATA_HOME="$WORK/data" /usr/bin/time -f "%e %M %U %S" -o "$WORK/one" "$cli" op "$@" --yes >/dev/null 2>"$WORK/err" || {
    echo "failed: $job $which" >&2; tail -3 "$WORK/err" >&2; exit 1; }
  echo "$job $which $(cat "$WORK/one")" >> "$LOG"
  rm -rf "$WORK/data" && mkdir "$WORK/data"
}
sync
for p in $(seq "$PAIRS"); do
  # Copy into a new folder, removed again before the next run.
  for w in journal base; do
    [ $w = journal ] && c=$NEW || c=$BASE
    rm -rf "$WORK/dst"
    run copy $w "$c" copy "$WORK/src" "$WORK/dst"
  done
  # Rename there and back: the two runs do the same work.
  run rename journal "$NEW" rename --pattern '^f' --with g "$WORK/src"
  run rename base "$BASE" rename --pattern '^g' --with f "$WORK/src"
  run replace journal "$NEW" replace --find abc --replace abd "$WORK/src"
  run replace base "$BASE" replace --find abd --replace abc "$WORK/src"
done
rm -rf "$WORK/dst"
python3 - "$LOG" <<'EOF'
import sys, statistics
runs = {}
for line in open(sys.argv[1]):
    job, which, secs, kb, user, system = line.split()
    runs.setdefault((job, which), []).append((float(secs), int(kb), float(user) + float(system)))
def cell(values, unit):
    return "%.2f%s [%.2f-%.2f]" % (statistics.median(values), unit, min(values), max(values))
print("| job | journal | runs | wall time, median [min-max] | processor time | peak memory (MB) |")
print("|---|---|---|---|---|---|")
for (job, which), v in runs.items():
    print("| %s | %s | %d | %s | %s | %s |" % (job, "with" if which == "journal" else "without", len(v),
        cell([r[0] for r in v], " s"), cell([r[2] for r in v], " s"), cell([r[1] / 1024 for r in v], "")))
EOF
