#!/usr/bin/env bash
# `make tidy`: clang-tidy, with the checks of the root .clang-tidy, over every
# C++ source of the project in BUILD_DIR's compile database (the headers they
# include are checked with them). Fails on any finding. Two files at a time
# unless JOBS says otherwise.
#   scripts/run-clang-tidy.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/release}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
if [ ! -f "$build/compile_commands.json" ]; then
  echo "run-clang-tidy: $build/compile_commands.json is missing (configure and build first)" >&2
  exit 1
fi
command -v run-clang-tidy >/dev/null || { echo "run-clang-tidy: run-clang-tidy is missing (apt-get install clang-tidy)" >&2; exit 1; }

# The project's own files only, not the generated ones in the build tree.
files="^$root/(src|tests|bench|tools)/"
count=$(grep -Ec "\"file\": \"$root/(src|tests|bench|tools)/" "$build/compile_commands.json" || true)
start=$(date +%s)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! run-clang-tidy -p "$build" -j "${JOBS:-2}" -quiet "$files" >"$log" 2>&1; then
  # Only the findings and errors, not the command lines and the counts of
  # suppressed warnings in headers outside the project.
  sed 's/\x1b\[[0-9;]*m//g' "$log" |
    grep -Ev '^(clang-tidy|[0-9]+ warnings? (and [0-9]+ errors? )?generated|Suppressed [0-9]+ warnings|Use -header-filter|Running clang-tidy)' >&2 || true
  echo "run-clang-tidy: findings above ($count files, $(($(date +%s) - start)) s)" >&2
  exit 1
fi
echo "run-clang-tidy: $count files clean in $(($(date +%s) - start)) s"
