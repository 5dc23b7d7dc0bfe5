#!/usr/bin/env bash
# Proves the desktop program starts: runs the real `vok` under a virtual X
# server (xvfb-run, xcb platform) in data/, waits for its window to appear,
# and takes a screenshot of the screen.
#
# Usage: scripts/xvfb-screenshot.sh [BUILD_DIR] [OUTPUT.png]
#   BUILD_DIR  defaults to build/release
#   OUTPUT     defaults to BUILD_DIR/xvfb-screenshot.png
#
# With --readme as the only argument after BUILD_DIR, it instead remakes
# docs/screenshot.png: the window after a finished decoding, made by
# vok_window_screenshot, which also prints the redraw times; and
# docs/chart.png (the decoding chart of that run) and
# docs/screenshot-scale2.png (the same window at a scale factor of 2), both
# reduced to a palette so that they stay small. With
# --teaching it remakes docs/teaching-aids.png and docs/teaching-aids@2x.png
# (scale factors 1 and 2): the decoding stopped after three iterations, the
# correction map enlarged with its caption and the colour legend, and the
# settings dialog over the window with its P0 field marked.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build/release}
case "$build" in /*) ;; *) build="$root/$build" ;; esac

for tool in xvfb-run xwininfo import; do
  command -v "$tool" >/dev/null || { echo "xvfb-screenshot: $tool is missing" >&2; exit 1; }
done

if [ "${2:-}" = "--readme" ]; then
  tool="$build/tests/ui/vok_window_screenshot"
  [ -x "$tool" ] || { echo "xvfb-screenshot: $tool is not built" >&2; exit 1; }
  docs="$root/docs"
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$tool" -platform xcb "$root/data" "$docs/screenshot.png" "$docs/chart.png"
  QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 2600x1600x24" \
    "$tool" -platform xcb "$root/data" "$docs/screenshot-scale2.png" >/dev/null
  convert "$docs/chart.png" +dither -colors 64 "PNG8:$docs/chart.png"
  convert "$docs/screenshot-scale2.png" +dither -colors 256 "PNG8:$docs/screenshot-scale2.png"
  exit 0
fi

if [ "${2:-}" = "--teaching" ]; then
  tool="$build/tests/ui/vok_window_screenshot"
  [ -x "$tool" ] || { echo "xvfb-screenshot: $tool is not built" >&2; exit 1; }
  for scale in 1 2; do
    suffix=""
    [ "$scale" = 1 ] || suffix="@${scale}x"
    QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 2048x1536x24" \
      "$tool" -platform xcb "$root/data" "$root/docs/teaching-aids$suffix.png" --teaching
  done
  exit 0
fi

vok="$build/src/app/vok"
out=${2:-$build/xvfb-screenshot.png}
[ -x "$vok" ] || { echo "xvfb-screenshot: $vok is not built" >&2; exit 1; }
rm -f "$out"

# Inside the virtual display: start vok, wait up to 20 s for its window,
# take the picture, then end vok (it is the only process started here).
xvfb-run -a -s "-screen 0 1024x768x24" bash -s "$vok" "$root/data" "$out" <<'INNER'
set -euo pipefail
vok=$1 data=$2 out=$3
cd "$data"
"$vok" -platform xcb &
pid=$!
found=""
for _ in $(seq 1 40); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Недвоичный vok"'; then found=yes; break; fi
  if ! kill -0 "$pid" 2>/dev/null; then break; fi
  sleep 0.5
done
if [ -z "$found" ]; then
  echo "xvfb-screenshot: the window of vok did not appear" >&2
  kill "$pid" 2>/dev/null || true
  exit 1
fi
sleep 1  # let it paint
import -window root "$out"
kill "$pid"
wait "$pid" 2>/dev/null || true
INNER

[ -s "$out" ] || { echo "xvfb-screenshot: no screenshot was written" >&2; exit 1; }
echo "xvfb-screenshot: vok started under Xvfb; screenshot in $out"
