#!/bin/sh
# Runs clang-tidy (the checks of .clang-tidy) over the .cpp files of src/ changed since the branch left main
# (committed or not), or over all of src/ when TIDY_ALL=1. Uses the compile commands of the build folder given
# (default: build). Findings are warnings; the exit status is clang-tidy's.
# The longest functions: make tidy TIDY_ALL=1 2>&1 | grep -A1 readability-function-size
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
command -v clang-tidy >/dev/null || { echo "clang-tidy is missing: apt-get install clang-tidy" >&2; exit 2; }
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: configure the build first" >&2; exit 2; }
if [ "${TIDY_ALL:-0}" = 1 ]; then
  files=$(git ls-files 'src/*.cpp')
else
  base=$(git merge-base HEAD main 2>/dev/null || git rev-parse HEAD)
  files=$( (git diff --name-only --diff-filter=AMR "$base" -- 'src/*.cpp'; git ls-files --others --exclude-standard 'src/*.cpp') | sort -u)
fi
[ -n "$files" ] || { echo "no changed source files"; exit 0; }
# One file at a time on each core: clang-tidy parses the whole of Qt for every window file.
printf '%s\n' $files | xargs -P "${TIDY_JOBS:-2}" -n 1 clang-tidy --quiet -p "$build"
