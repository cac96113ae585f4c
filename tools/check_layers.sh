#!/bin/sh
# Checks that the includes of src/ point down the layers only: a folder may include its own headers and those of
# folders on a lower level, never a folder on its own level (a sibling) nor one above it. A folder missing from
# the table fails too, so that a new folder is given its place. Prints each offending include; exit 1 if any.
# Usage: check_layers.sh [src folder]
set -eu
src=${1:-$(dirname "$0")/../src}

# Level of each folder, lowest first. Folders on one level are siblings and do not include each other.
levels='
platform 0
common 1
settings 2
scan 3
export 4
fileops_engine 4
ui_common 5
shell 6
progress 6
dirprint 7
fileops_ui 7
app 8
cli 8
'

find "$src" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.h.in' \) | sort | while read -r file; do
  folder=${file#"$src"/}
  folder=${folder%%/*}
  grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]*/' "$file" | sed "s|^|$folder |" || true
done | awk -v levels="$levels" '
  BEGIN {
    n = split(levels, rows, "\n")
    for (i = 1; i <= n; i++) if (split(rows[i], f, " ") == 2) level[f[1]] = f[2]
  }
  {
    from = $1
    match($0, /"[^"\/]*\//)
    to = substr($0, RSTART + 1, RLENGTH - 2)
    where = substr($0, length(from) + 2)
    if (from == to) next
    if (!(from in level)) { print "unknown folder " from ": " where; bad = 1; next }
    if (!(to in level)) { print "include of unknown folder " to ": " where; bad = 1; next }
    if (level[to] >= level[from]) {
      print (level[to] == level[from] ? "sibling" : "upward") " include " from " -> " to ": " where
      bad = 1
    }
  }
  END { exit bad }
'
