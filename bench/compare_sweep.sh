#!/usr/bin/env bash
# Times `vok-sim sweep` of the built-in code against an earlier commit, side
# by side: builds COMMIT (default 230db7f, the last commit with int32
# registers) in a temporary worktree, then runs both sweeps REPEATS times in
# alternation, checks that both give identical counts, and prints the
# minimum and median wall time of each and their ratio.
#   bench/compare_sweep.sh BUILD_DIR [COMMIT] [REPEATS]
set -euo pipefail
build=${1:?usage: compare_sweep.sh BUILD_DIR [COMMIT] [REPEATS]}
commit=${2:-230db7f}
repeats=${3:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
case "$build" in /*) ;; *) build="$root/$build" ;; esac
current="$build/src/sim/vok-sim"
if [ ! -x "$current" ]; then
  echo "compare_sweep: $current is not built" >&2
  exit 1
fi

work=$(mktemp -d)
cleanup() {
  git -C "$root" worktree remove --force "$work/tree" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
git -C "$root" worktree add --detach "$work/tree" "$commit" >/dev/null 2>&1
echo "building $commit in $work/tree ..."
(cd "$work/tree" && cmake --preset release -DVOK_BUILD_BENCH=OFF >"$work/configure.log" 2>&1 &&
  cmake --build --preset release -j2 --target vok-sim >"$work/build.log" 2>&1) || {
  echo "compare_sweep: building $commit failed; see the logs above $work" >&2
  tail -20 "$work/build.log" >&2 || true
  exit 1
}
previous="$work/tree/build/release/src/sim/vok-sim"

args=(sweep --random 200000 --p0 0.22,0.245 --blocks 12 --threads 1)
echo "vok-sim ${args[*]}"
# One run: prints its wall time in seconds; the CSV goes to $2.
run() {
  local start end
  start=$(date +%s.%N)
  "$1" "${args[@]}" --csv "$2" >/dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }'
}
: >"$work/previous.times"
: >"$work/current.times"
for ((n = 0; n < repeats; ++n)); do
  run "$previous" "$work/previous.csv" >>"$work/previous.times"
  run "$current" "$work/current.csv" >>"$work/current.times"
  # Every column but the throughput must agree.
  if ! diff <(grep -v '^#' "$work/previous.csv" | cut -d, -f1-11) \
    <(grep -v '^#' "$work/current.csv" | cut -d, -f1-11) >/dev/null; then
    echo "compare_sweep: the counts differ from $commit's" >&2
    diff <(cut -d, -f1-11 "$work/previous.csv") <(cut -d, -f1-11 "$work/current.csv") >&2 || true
    exit 1
  fi
done
summary() {
  sort -n "$1" | awk '{ t[NR] = $1 } END {
    m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2;
    printf "%.3f %.3f\n", t[1], m }'
}
read -r pmin pmed < <(summary "$work/previous.times")
read -r cmin cmed < <(summary "$work/current.times")
echo "counts identical in all $repeats pairs of runs"
printf "%-10s %10s %10s   (wall seconds, %d runs each, alternating)\n" "" "min" "median" "$repeats"
printf "%-10s %10.3f %10.3f\n" "$commit" "$pmin" "$pmed" "current" "$cmin" "$cmed"
awk -v a="$pmin" -v b="$cmin" -v c="$pmed" -v d="$cmed" \
  'BEGIN { printf "speed-up   %9.2fx %9.2fx\n", a / b, c / d }'
