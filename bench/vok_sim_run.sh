#!/usr/bin/env bash
# Times a whole `vok-sim run` on a 1000 x 1000 picture (N = 3 000 000 picture
# bytes, not reduced) with the built-in code and schedule, and reports its
# wall time and peak memory as measured by /usr/bin/time -v.
#   bench/vok_sim_run.sh BUILD_DIR [WIDTH HEIGHT]
set -euo pipefail
build=${1:?usage: vok_sim_run.sh BUILD_DIR [WIDTH HEIGHT]}
width=${2:-1000}
height=${3:-1000}
root=$(cd "$(dirname "$0")/.." && pwd)
case "$build" in /*) ;; *) build="$root/$build" ;; esac
sim="$build/src/sim/vok-sim"
picture_tool="$build/bench/vok_bench_picture"
for tool in "$sim" "$picture_tool"; do
  if [ ! -x "$tool" ]; then
    echo "vok_sim_run: $tool is not built" >&2
    exit 1
  fi
done
if [ ! -x /usr/bin/time ]; then
  echo "vok_sim_run: /usr/bin/time is missing (Debian package: time)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$picture_tool" "$work/pic.bmp" "$width" "$height"
cp "$root/data/encoder.vok" "$root/data/decoder.vok" "$work/"

LC_ALL=C /usr/bin/time -v -o "$work/time.txt" "$sim" run --dir "$work" --json >"$work/run.json"
bytes=$((width * height * 3))
wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
peak_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
user=$(sed -n 's/.*User time (seconds): //p' "$work/time.txt")
system=$(sed -n 's/.*System time (seconds): //p' "$work/time.txt")
iterations=$(grep -o '"iterationsRun":[0-9]*' "$work/run.json" | head -1 | cut -d: -f2)
remaining=$(grep -o '"decoderErrors":\[[0-9,]*\]' "$work/run.json" | head -1 | sed 's/.*,//; s/.*\[//; s/\]//')
awk -v wall="$wall" -v user="$user" -v sys="$system" -v kb="$peak_kb" -v n="$bytes" -v it="$iterations" -v left="$remaining" \
    -v w="$width" -v h="$height" 'BEGIN {
  split(wall, p, ":"); s = 0; for (i = 1; i in p; ++i) s = s * 60 + p[i];
  printf "vok-sim run, %dx%d picture (N = %d bytes), %s iterations, %s errors left\n", w, h, n, it, left;
  printf "  wall time   %.2f s (processor time %.2f s user + %.2f s system)\n", s, user, sys;
  printf "  peak memory %.1f MB (%.1f bytes per picture byte)\n", kb / 1024, kb * 1024 / n;
}'
