#!/usr/bin/env bash
# Runs the demonstration on the bundled sample in data/: the desktop window
# (started in data/, where it finds pic.bmp and the code files). Without a
# display it says so and runs the headless runner on the same data instead,
# printing its readable report and saving the four pictures.
set -euo pipefail
build=${1:-build/release}
root=$(cd "$(dirname "$0")/.." && pwd)
vok="$root/$build/src/app/vok"
sim="$root/$build/src/sim/vok-sim"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  if [ ! -x "$vok" ]; then
    echo "run-demo: $vok is not built (run make run or cmake --build $build)" >&2
    exit 1
  fi
  cd "$root/data"
  exec "$vok"
fi

images="$root/$build/demo-images"
echo "run-demo: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); running vok-sim instead, pictures in $images"
if [ ! -x "$sim" ]; then
  echo "run-demo: $sim is not built (run make run or cmake --build $build)" >&2
  exit 1
fi
mkdir -p "$images"
exec "$sim" run --dir "$root/data" --save-images "$images"
