#!/usr/bin/env bash
# Runs the main job on the bundled sample in data/: for now the headless
# runner's readable report of one experiment.
set -euo pipefail
build=${1:-build/release}
root=$(cd "$(dirname "$0")/.." && pwd)
sim="$root/$build/src/sim/vok-sim"
if [ ! -x "$sim" ]; then
  echo "run-demo: $sim is not built (run make run or cmake --build $build)" >&2
  exit 1
fi
exec "$sim" run --dir "$root/data"
