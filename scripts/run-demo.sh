#!/usr/bin/env bash
# Runs the main job on the bundled sample in data/.
set -euo pipefail
build=${1:-build/release}
root=$(cd "$(dirname "$0")/.." && pwd)
exec "$root/$build/src/sim/vok-sim" run --dir "$root/data"
