#!/usr/bin/env bash
# Runs each fuzz target for a while, one after another, and prints a summary
# line per target (executions, executions per second, coverage in edges).
# New inputs go into the build tree; the committed seed corpus is only read.
# A crash, leak, timeout or too-large allocation fails the run and leaves the
# input under <build>/fuzz-artifacts/<target>/.
#
# Usage: run-fuzz.sh BUILD_DIR SECONDS_PER_TARGET [TARGET...]
set -euo pipefail

build=$1
seconds=$2
shift 2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_picture fuzz_picture_import fuzz_code_description fuzz_schedule fuzz_settings_text fuzz_experiment)
fi
here=$(cd "$(dirname "$0")" && pwd)

status=0
for t in "${targets[@]}"; do
  work="$build/fuzz-corpus/$t"
  artifacts="$build/fuzz-artifacts/$t"
  log="$build/fuzz-logs/$t.log"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  # No single allocation may exceed 256 MiB: the harnesses keep claimed
  # picture sizes small, so anything larger is a reader trusting a header.
  if "$build/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -malloc_limit_mb=256 -max_len=65536 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$work" "$here/corpus/$t" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1 || true)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1 || true)
  edges=$( (grep -o 'cov: [0-9]*' "$log" || true) | tail -1 | cut -d' ' -f2)
  printf '%-24s %-6s execs=%s execs/s=%s edges=%s\n' "$t" "$result" "${execs:-?}" "${rate:-?}" \
    "${edges:-?}"
  if [ "$result" = FAILED ]; then
    grep -E 'ERROR|SUMMARY|check failed|Test unit written' "$log" | head -20 || true
  fi
done
exit $status
