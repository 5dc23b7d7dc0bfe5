#!/usr/bin/env bash
# `make bench`: runs the benchmark suite of the given build directory (built
# with the release preset), then the whole-run timing of vok-sim.
#   scripts/run-bench.sh BUILD_DIR [benchmark options...]
set -euo pipefail
build=${1:-build/release}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
case "$build" in /*) ;; *) build="$root/$build" ;; esac
bench="$build/bench/vok_bench"
if [ ! -x "$bench" ]; then
  echo "run-bench: $bench is not built (configure with the release preset: VOK_BUILD_BENCH=ON)" >&2
  exit 1
fi
echo "== Machine: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), $(nproc) cores"
echo "== Benchmarks (times are processor time of the benchmark thread where noted)"
"$bench" "$@"
if [ -x "$build/bench/vok_bench_draw" ]; then
  echo
  echo "== Drawing (offscreen platform)"
  QT_QPA_PLATFORM=offscreen "$build/bench/vok_bench_draw"
else
  echo "run-bench: $build/bench/vok_bench_draw not built (the window is off); drawing not timed"
fi
echo
echo "== Whole run"
"$root/bench/vok_sim_run.sh" "$build"
echo
echo "== Sweep against an earlier commit"
if git -C "$root" rev-parse --verify -q "${VOK_BENCH_BASELINE:-230db7f}^{commit}" >/dev/null; then
  "$root/bench/compare_sweep.sh" "$build" "${VOK_BENCH_BASELINE:-230db7f}"
else
  echo "run-bench: commit ${VOK_BENCH_BASELINE:-230db7f} not in this clone; sweep comparison skipped"
fi
