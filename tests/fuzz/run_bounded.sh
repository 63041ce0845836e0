#!/usr/bin/env bash
# Runs every fuzz target of a libFuzzer build for SECONDS, side by side, each from its seed
# corpus in tests/data/fuzz plus what earlier runs in BUILD_DIR learnt. Fails, showing the
# report and the input that broke it, when any target finds a fault.
#   run_bounded.sh BUILD_DIR SECONDS [TARGET...]
set -uo pipefail
build="$1"
seconds="$2"
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(reader run intake detailed)
seeds="$(cd "$(dirname "$0")/../data/fuzz" && pwd)"

pids=()
for t in "${targets[@]}"; do
  mkdir -p "$build/fuzz-corpus/$t" "$build/fuzz-crashes/$t"
  "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-crashes/$t/" "$build/fuzz-corpus/$t" "$seeds/$t" \
    >"$build/fuzz-$t.log" 2>&1 &
  pids+=($!)
done

status=0
for i in "${!targets[@]}"; do
  t="${targets[$i]}"
  if wait "${pids[$i]}"; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz-$t.log")
    echo "fuzz_$t: ${seconds} s, ${runs:-?} inputs, nothing found"
  else
    echo "fuzz_$t FAILED; its report ($build/fuzz-$t.log) ends:"
    tail -n 40 "$build/fuzz-$t.log"
    status=1
  fi
done
exit $status
