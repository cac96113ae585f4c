#!/bin/sh
# The command line against the standard tools, in paired runs (build/bench/paired: ours and the peer in turn, the
# ratio taken pair by pair, median [min-max], peak memory of each), printed as Markdown rows for bench/RESULTS.md.
# Usage: bench/run.sh [--only ROWS] [files] [big files]   (defaults 200000 and 1000000; big files 0 leaves out the
#   memory rows at that size)
#   ROWS, comma-separated: dos names du tree pinned preview copy compare replace delete rename memory strace
# Environment: DV_CLI the program measured (default build/src/dorvane-cli, built here), PAIRS (default 7),
#   BENCH_WORK the work folder (default /tmp/dv-bench; /dev/shm/... for tmpfs). Everything made here (trees, copies,
#   the runs' home, settings, undo journals and temporary files) goes into a new folder below BENCH_WORK, which is
#   removed at the end. The listing rows read /usr. At 200,000 files and 7 pairs the rows take about 25 minutes
#   on the shared machine under other builds (load 6 to 9), the 1,000,000-file memory rows on ext4 another 20 or
#   more; `--only` and PAIRS=5 shorten a run. The engines' own benches (scan_bench, report_bench, fs_bench,
#   fileops_bench, edit_bench, ...) and the verify, cancel and journal scripts are run by hand (see their headers).
set -eu
cd "$(dirname "$0")/.."
ONLY=all
if [ "${1:-}" = --only ]; then
  ONLY=$2
  shift 2
fi
FILES=${1:-200000}
BIG=${2:-1000000}
PAIRS=${PAIRS:-7}
WORK=${BENCH_WORK:-/tmp/dv-bench}
DV=${DV_CLI:-build/src/dorvane-cli}
wanted() { [ "$ONLY" = all ] || case ",$ONLY," in *",$1,"*) true ;; *) false ;; esac; }

[ -f build/build.ninja ] || make -s build >/dev/null
TARGETS="paired make_tree"
[ -n "${DV_CLI:-}" ] || TARGETS="$TARGETS dorvane-cli"
# shellcheck disable=SC2086
cmake --build build --target $TARGETS -j2 >/dev/null
# The peers, from Debian's packages when missing (perl's rename is the package `rename`).
updated=
for t in tree:tree fdfind:fd-find bfs:bfs rename:rename strace:strace; do
  command -v "${t%%:*}" >/dev/null 2>&1 && continue
  [ -n "$updated" ] || { apt-get update -q >/dev/null 2>&1 || sudo apt-get update -q >/dev/null; updated=1; }
  apt-get install -y -q "${t#*:}" >/dev/null 2>&1 || sudo apt-get install -y -q "${t#*:}" >/dev/null
done
DV=$(realpath "$DV")
PAIRED=$(realpath build/bench/paired)
MAKE_TREE=$(realpath build/bench/make_tree)

mkdir -p "$WORK"
R=$(mktemp -d "$WORK/run.XXXXXX")
trap 'rm -rf "$R"; rmdir "$WORK" 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM
# The runs of dorvane-cli keep their settings, journals and temporary files here, as a user's run does at home.
for d in home config data cache tmp; do mkdir "$R/$d"; done
export HOME="$R/home" XDG_CONFIG_HOME="$R/config" XDG_DATA_HOME="$R/data" XDG_CACHE_HOME="$R/cache" TMPDIR="$R/tmp"
FRESH_DATA="rm -rf '$R/data' && mkdir '$R/data'"
# A tmpfs has a fixed number of inodes, shared with everyone's files there: a copy that runs out fails part-way and
# its times mean nothing, so say so before measuring.
enough_inodes() { # $1: how many the next rows need at once
  free=$(df --output=iavail "$R" | tail -n 1 | tr -d ' ')
  [ "$free" -ge "$1" ] || { echo "bench/run.sh: $free free inodes in $WORK, $1 needed: rows left out" >&2; false; }
}

TREE="$R/tree"
tree_made=
need_tree() {
  [ -n "$tree_made" ] && return
  "$MAKE_TREE" "$TREE" "$FILES" >/dev/null
  tree_made=1
}
pair() { "$PAIRED" -n "$PAIRS" "$@"; }

echo "dorvane-cli: $DV; $PAIRS pairs; work folder $R ($(df -T "$R" | awk 'NR == 2 { print $2 }')); $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| work | peer | ours / peer wall, median [min-max] | cpu ratio | peak memory ours / peer | ours wall | peer wall |"
echo "|---|---|---|---|---|---|---|"

listing_rows() { # $1: empty, or "--pin 0"; $2: the label's suffix
  # shellcheck disable=SC2086
  if wanted dos || { [ -n "$1" ] && wanted pinned; }; then
    pair $1 --label "report, DOS view, size + modified, /usr$2" --peer-label "\`find -printf '%s %TD %p\\n'\`" -- \
      "$DV" report --view dos --columns size,modified --size-unit bytes /usr --vs find /usr -printf '%s %TD %p\n'
    pair $1 --label "report, DOS view, size + modified, /usr$2" --peer-label "\`bfs -printf '%s %TD %p\\n'\`" -- \
      "$DV" report --view dos --columns size,modified --size-unit bytes /usr --vs bfs /usr -printf '%s %TD %p\n'
  fi
  if wanted names || { [ -n "$1" ] && wanted pinned; }; then
    pair $1 --label "names only (\`report --view csv --columns none\`), /usr$2" --peer-label "\`fdfind -HIu . /usr\`" -- \
      "$DV" report --view csv --columns none /usr --vs fdfind -HIu . /usr
  fi
  if wanted du || { [ -n "$1" ] && wanted pinned; }; then
    pair $1 --label "folder sizes (CSV), /usr$2" --peer-label "\`du -ab\`" -- \
      "$DV" report --view csv --columns size --size-unit bytes /usr --vs du -ab /usr
  fi
  if wanted tree || { [ -n "$1" ] && wanted pinned; }; then
    pair $1 --label "tree view, size + modified, /usr$2" --peer-label "\`tree -a -s -D\`" -- \
      "$DV" report --view hierarchical --columns size,modified --size-unit bytes /usr --vs tree -a -s -D /usr
    pair $1 --label "JSON view, size + modified, /usr$2" --peer-label "\`tree -J -a -s -D\`" -- \
      "$DV" report --view json --columns size,modified --size-unit bytes /usr --vs tree -J -a -s -D /usr
  fi
}
listing_rows "" ""

grouped() { echo "$1" | sed -e ':a' -e 's/\([0-9]\)\([0-9]\{3\}\)\($\|,\)/\1,\2\3/' -e 'ta'; }
N=$(grouped "$FILES")
preview_row() { # $1: empty, or "--pin 0"; $2: the label's suffix
  need_tree
  # shellcheck disable=SC2086
  pair $1 --prep "$FRESH_DATA" --label "\`op copy --preview\`, $N files$2" --peer-label "\`find\`" -- \
    "$DV" op copy --preview "$TREE" "$R/preview-target" --yes --vs find "$TREE"
}
if wanted preview; then preview_row "" ""; fi
if wanted pinned; then
  listing_rows "--pin 0" ", one processor"
  preview_row "--pin 0" ", one processor"
fi

if wanted copy && enough_inodes $((FILES * 23 / 10)); then
  need_tree
  pair --prep "rm -rf '$R/copy' && $FRESH_DATA" --label "\`op copy\`, $N files" --peer-label "\`cp -a\` (fresh target each run)" -- \
    "$DV" op copy --empty-folders "$TREE" "$R/copy" --yes --vs cp -a "$TREE" "$R/copy"
  rm -rf "$R/copy"
fi

if wanted compare || wanted replace; then
  need_tree
  cp -a "$TREE" "$R/twin"
fi
if wanted compare; then
  pair --prep "$FRESH_DATA" --label "\`op compare\` (whole files), $N files" --peer-label "\`diff -rq --no-dereference\`" -- \
    "$DV" op compare "$TREE" "$R/twin" --yes --vs diff -rq --no-dereference "$TREE" "$R/twin"
fi
if wanted replace; then
  # There and back: ours turns every x of the *.txt files into y, sed turns them back, so every run starts from
  # the same content and rewrites the same files.
  pair --prep "$FRESH_DATA" --label "\`op replace\`, \`*.txt\` of $N files" --peer-label "\`find -name '*.txt' -exec sed -i {} +\`" -- \
    "$DV" op replace --find x --replace y --text-extensions .txt "$R/twin" --yes \
    --vs find "$R/twin" -name '*.txt' -exec sed -i s/y/x/g '{}' +
fi
rm -rf "$R/twin"

if wanted delete && enough_inodes $((FILES * 23 / 10)); then
  need_tree
  pair --prep "rm -rf '$R/doomed' && cp -a '$TREE' '$R/doomed' && $FRESH_DATA" \
    --label "\`op delete --empty-folders\`, $N files" --peer-label "\`rm -rf\` (a fresh copy each run)" -- \
    "$DV" op delete --empty-folders "$R/doomed" --yes --vs rm -rf "$R/doomed"
  rm -rf "$R/doomed"
fi

if wanted rename; then
  "$MAKE_TREE" "$R/names" 20000 >/dev/null
  # There and back: ours file_N to doc_N, perl rename doc_N back to file_N (the last part of each path only).
  pair --prep "$FRESH_DATA" --label "\`op rename\` by regex, 20,000 files" --peer-label "perl \`rename\` (\`find -exec rename {} +\`)" -- \
    "$DV" op rename --pattern '^file_' --with doc_ "$R/names" --yes \
    --vs find "$R/names" -type f -name 'doc_*' -exec rename 's{/doc_([^/]*)\z}{/file_$1}' '{}' +
  rm -rf "$R/names"
fi

if wanted memory && [ "$BIG" -gt 0 ] && enough_inodes $((BIG * 23 / 10)); then
  rm -rf "$TREE"
  tree_made=
  # One run each (no warm-up): the peak memory is what is asked of these rows; the 200,000-file peaks are above.
  "$MAKE_TREE" "$R/big" "$BIG" >/dev/null
  B=$(grouped "$BIG")
  echo
  echo "| work, ours alone | runs | wall | cpu | peak memory |"
  echo "|---|---|---|---|---|"
  one() { "$PAIRED" -n 1 --warmup 0 --prep "$FRESH_DATA" "$@"; }
  one --label "\`op copy --preview\`, $B files" -- "$DV" op copy --preview "$R/big" "$R/big-copy" --yes
  one --label "\`op copy\`, $B files" -- "$DV" op copy --empty-folders "$R/big" "$R/big-copy" --yes
  one --label "\`op compare\`, $B files" -- "$DV" op compare "$R/big" "$R/big-copy" --yes
  one --label "\`op delete --empty-folders\`, $B files" -- "$DV" op delete --empty-folders "$R/big-copy" --yes
  rm -rf "$R/big" "$R/big-copy"
fi

if wanted strace; then
  # System calls per file of one copy of 10,000 files (1,110 folders) into a new folder, ours against cp -a.
  "$MAKE_TREE" "$R/small" 10000 10 3 >/dev/null
  strace -c -f -o "$R/ours.strace" "$DV" op copy --empty-folders "$R/small" "$R/small-ours" --yes >/dev/null 2>&1
  strace -c -f -o "$R/cp.strace" cp -a "$R/small" "$R/small-cp"
  echo
  echo "| system call (copy of 10,000 files) | ours, per file | cp -a, per file |"
  echo "|---|---|---|"
  # strace -c rows: % time, seconds, usecs/call, calls, [errors,] syscall.
  awk -v files=10000 '
    $1 ~ /^[0-9.]+$/ && NF >= 5 && $NF != "total" { calls[FILENAME, $NF] = $4; names[$NF] = 1 }
    END {
      for (n in names) {
        a = calls[ARGV[1], n] / files; b = calls[ARGV[2], n] / files
        if (a >= 0.01 || b >= 0.01) printf "| %s | %.2f | %.2f |\n", n, a, b
      }
    }' "$R/ours.strace" "$R/cp.strace" | sort -t'|' -k3,3 -rn
  awk -v files=10000 '$NF == "total" { t[FILENAME] = $4 } END { printf "| all | %.2f | %.2f |\n", t[ARGV[1]] / files, t[ARGV[2]] / files }' \
    "$R/ours.strace" "$R/cp.strace"
  rm -rf "$R/small" "$R/small-ours" "$R/small-cp"
fi
